#include "cli/interrupt_signal.h"

#include <windows.h>

#include <atomic>
#include <csignal>

#include "cli/win32/console_win32.h"

namespace qx7::cli {
namespace {

// The system calls the console control handler on a thread of its own.
app::StopFlag g_stop{false};
std::atomic<bool> g_live{false};
std::atomic<int> g_signal{0};
std::atomic<transport::DeviceWatcher*> g_watcher{nullptr};

// Set when the InterruptSignal ends. Never closed: a handler thread may
// still wait on it while the program ends.
HANDLE BatchEnded() {
    static const HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// A closed console gives its programs about five seconds after the handler
// returns; the batch gets most of them to stop as on Ctrl+C.
constexpr DWORD kCloseWaitMs = 4500;

BOOL WINAPI ConsoleControlHandler(DWORD type) { return OnConsoleControl(type) ? TRUE : FALSE; }

}  // namespace

bool OnConsoleControl(unsigned long type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return false;
    if (!g_live.load()) return false;
    // The second one ends the process as the system ends it.
    if (g_stop.exchange(true)) return false;
    // Every console event stands for SIGINT: the batch ends with 130, as a
    // Ctrl+C ends it on Linux.
    g_signal.store(SIGINT);
    if (transport::DeviceWatcher* watcher = g_watcher.load()) watcher->Wake();
    // The system ends the process as soon as this handler returns from a
    // close; wait for the batch to stop first, as long as it may.
    if (type == CTRL_CLOSE_EVENT) ::WaitForSingleObject(BatchEnded(), kCloseWaitMs);
    return true;
}

InterruptSignal::InterruptSignal() {
    g_stop.store(false);
    g_signal.store(0);
    g_watcher.store(nullptr);
    ::ResetEvent(BatchEnded());
    g_live.store(true);
    ::SetConsoleCtrlHandler(ConsoleControlHandler, TRUE);
}

InterruptSignal::~InterruptSignal() {
    ::SetConsoleCtrlHandler(ConsoleControlHandler, FALSE);
    g_live.store(false);
    g_watcher.store(nullptr);
    ::SetEvent(BatchEnded());
}

const app::StopFlag& InterruptSignal::flag() const { return g_stop; }
void InterruptSignal::WakeOnSignal(transport::DeviceWatcher* watcher) { g_watcher.store(watcher); }
int InterruptSignal::signal_number() const { return g_signal.load(); }

}  // namespace qx7::cli
