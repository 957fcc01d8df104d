#pragma once
// A program run in the background by the shell (`exec` in front of it, so
// that a signal sent to the process reaches the program itself), with its
// standard output in a file the test can watch while it runs. On Windows
// the command line is read as RunShellCommand reads it, and there are no
// signals: Kill() ends the process as SIGKILL does.

#include <chrono>
#include <string>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace qx7::test {

class BackgroundProcess {
public:
    // Runs `command` with its standard output to `out_file`.
    BackgroundProcess(const std::string& command, std::string out_file);
    // Kills the process when it still runs.
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // Waits until standard output holds `text`; false after `timeout` or
    // when the process ended without it.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    std::string Output() const;
#ifndef _WIN32
    void Signal(int signal_number);
#endif
    // Ends the process at once, leaving it no chance to clean up.
    void Kill();
    // The exit status; -1 when it ended by a signal (or Kill), -2 when it
    // still ran after `timeout` (it is killed when the object goes).
    int Wait(std::chrono::milliseconds timeout);

private:
    // Whether the process has ended (its status then kept).
    bool Reaped();

#ifdef _WIN32
    void* process_ = nullptr;  // the process's HANDLE; null once it has ended
    bool killed_ = false;
#else
    pid_t pid_ = -1;
#endif
    int exit_status_ = -1;
    std::string out_file_;
};

}  // namespace qx7::test
