#include "cli/interrupt_signal.h"

#include <signal.h>

#include <atomic>
#include <cerrno>

namespace qx7::cli {
namespace {

// A signal handler may only touch lock-free atomics and call
// async-signal-safe functions such as write(), which is all the watcher's
// Wake does.
app::StopFlag g_stop{false};
std::atomic<int> g_signal{0};
std::atomic<transport::DeviceWatcher*> g_watcher{nullptr};
struct sigaction g_previous_int {};
struct sigaction g_previous_term {};
struct sigaction g_previous_hup {};

void OnSignal(int signal_number) {
    const int saved_errno = errno;
    g_signal.store(signal_number);
    g_stop.store(true);
    if (transport::DeviceWatcher* watcher = g_watcher.load()) watcher->Wake();
    errno = saved_errno;
}

}  // namespace

InterruptSignal::InterruptSignal() {
    g_stop.store(false);
    g_signal.store(0);
    g_watcher.store(nullptr);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // The first signal is ours; the handler is then reset, so a second
    // Ctrl+C ends the process at once.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, &g_previous_int);
    ::sigaction(SIGTERM, &action, &g_previous_term);
    // A dropped SSH session hangs the run up: it ends as SIGTERM ends it.
    ::sigaction(SIGHUP, &action, &g_previous_hup);
}

InterruptSignal::~InterruptSignal() {
    ::sigaction(SIGINT, &g_previous_int, nullptr);
    ::sigaction(SIGTERM, &g_previous_term, nullptr);
    ::sigaction(SIGHUP, &g_previous_hup, nullptr);
    g_watcher.store(nullptr);
}

const app::StopFlag& InterruptSignal::flag() const { return g_stop; }
void InterruptSignal::WakeOnSignal(transport::DeviceWatcher* watcher) { g_watcher.store(watcher); }
int InterruptSignal::signal_number() const { return g_signal.load(); }

}  // namespace qx7::cli
