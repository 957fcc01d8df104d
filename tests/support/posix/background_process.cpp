#include "support/background_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace qx7::test {

BackgroundProcess::BackgroundProcess(const std::string& command, std::string out_file)
    : out_file_(std::move(out_file)) {
    const std::string shell = "exec " + command + " >'" + out_file_ + "'";
    pid_ = ::fork();
    if (pid_ == 0) {
        ::execl("/bin/sh", "sh", "-c", shell.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
}

BackgroundProcess::~BackgroundProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void BackgroundProcess::Signal(int signal_number) {
    if (pid_ > 0) ::kill(pid_, signal_number);
}

void BackgroundProcess::Kill() { Signal(SIGKILL); }

bool BackgroundProcess::Reaped() {
    if (pid_ <= 0) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
    pid_ = -1;
    exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return true;
}

int BackgroundProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (Reaped()) return exit_status_;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -2;
}

}  // namespace qx7::test
