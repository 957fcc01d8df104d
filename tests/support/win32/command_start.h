#pragma once
// Starts a program from a command line written for a POSIX shell, of which
// the part the tests use is understood (command_start.cpp lists it). Shared
// by the runner that waits for a program and the one that leaves it in the
// background.

#include <windows.h>

#include <string>

namespace qx7::test {

// A handle closed with the object.
struct Handle {
    HANDLE value = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE h) : value(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (value != INVALID_HANDLE_VALUE && value != nullptr) CloseHandle(value);
    }
    bool ok() const { return value != INVALID_HANDLE_VALUE && value != nullptr; }
};

struct StartedCommand {
    PROCESS_INFORMATION process{};  // both handles the caller's to close
    unsigned timeout_seconds = 0;   // from `timeout N`; 0 when none
};

// Starts `command` with standard output to `default_out` unless the command
// redirects it; standard input is NUL unless redirected. False when the
// program could not be started.
bool StartCommand(const std::string& command, HANDLE default_out, StartedCommand* started);

// A file the child writes (or reads): /dev/null is NUL. Inheritable.
HANDLE OpenForChild(const std::string& path, bool write);

}  // namespace qx7::test
