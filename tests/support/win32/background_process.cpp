#include "support/background_process.h"

#include <windows.h>

#include "support/win32/command_start.h"

#include <thread>

namespace qx7::test {

BackgroundProcess::BackgroundProcess(const std::string& command, std::string out_file)
    : out_file_(std::move(out_file)) {
    // The file is the child's alone to write; the test reads it while the
    // child runs.
    const Handle out(OpenForChild(out_file_, true));
    StartedCommand started;
    if (!out.ok() || !StartCommand(command, out.value, &started)) return;
    CloseHandle(started.process.hThread);
    process_ = started.process.hProcess;
}

BackgroundProcess::~BackgroundProcess() {
    if (process_ != nullptr) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
        CloseHandle(process_);
    }
}

void BackgroundProcess::Kill() {
    if (process_ != nullptr && TerminateProcess(process_, 1)) killed_ = true;
}

bool BackgroundProcess::Reaped() {
    if (process_ == nullptr) return true;
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    CloseHandle(process_);
    process_ = nullptr;
    exit_status_ = killed_ ? -1 : static_cast<int>(code);
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
