// Runs a command line written for a POSIX shell (command_start.h) and
// collects its standard output. A run killed at its time-out exits 124, as
// with timeout(1).
#include <windows.h>

#include <string>

#include "support/process_run.h"
#include "support/win32/command_start.h"

namespace qx7::test {

ProcessRun RunShellCommand(const std::string& command) {
    ProcessRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr;
    HANDLE write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return run;
    Handle out_read(read_end);
    Handle out_write(write_end);
    SetHandleInformation(out_read.value, HANDLE_FLAG_INHERIT, 0);
    StartedCommand started;
    if (!StartCommand(command, out_write.value, &started)) return run;
    const PROCESS_INFORMATION& process = started.process;
    const unsigned timeout_seconds = started.timeout_seconds;
    Handle process_handle(process.hProcess);
    Handle thread_handle(process.hThread);
    // Only the child holds the pipe's write end now, so reading ends with it.
    CloseHandle(out_write.value);
    out_write.value = INVALID_HANDLE_VALUE;

    // The output is read on this thread while a watchdog ends a run that
    // takes too long.
    Handle watchdog_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    struct Watch {
        HANDLE process;
        HANDLE stop;
        DWORD timeout_ms;
        bool killed = false;
    } watch{process.hProcess, watchdog_stop.value, timeout_seconds ? timeout_seconds * 1000 : INFINITE};
    Handle watchdog(CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
            auto* w = static_cast<Watch*>(argument);
            if (WaitForSingleObject(w->stop, w->timeout_ms) == WAIT_TIMEOUT) {
                w->killed = true;
                TerminateProcess(w->process, 124);
            }
            return 0;
        },
        &watch, 0, nullptr));

    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(out_read.value, buffer, sizeof(buffer), &n, nullptr) && n > 0) run.out.append(buffer, n);
    WaitForSingleObject(process.hProcess, INFINITE);
    SetEvent(watchdog_stop.value);
    if (watchdog.ok()) WaitForSingleObject(watchdog.value, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exit_code = watch.killed ? 124 : static_cast<int>(code);
    return run;
}

}  // namespace qx7::test
