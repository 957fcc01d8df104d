#pragma once
// A program run in the background by the shell (`exec` in front of it, so
// that a signal sent to the process reaches the program itself), with its
// standard output in a file the test can watch while it runs.

#include <sys/types.h>

#include <chrono>
#include <string>

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
    void Signal(int signal_number);
    // The exit status; -1 when it ended by a signal, -2 when it still ran
    // after `timeout` (it is then killed).
    int Wait(std::chrono::milliseconds timeout);

private:
    // Whether the process has ended (its status then kept).
    bool Reaped();

    pid_t pid_ = -1;
    int exit_status_ = -1;
    std::string out_file_;
};

}  // namespace qx7::test
