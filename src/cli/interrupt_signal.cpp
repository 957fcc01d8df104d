#include "cli/interrupt_signal.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace qx7::cli {
namespace {

// A signal handler may only touch lock-free atomics and call
// async-signal-safe functions such as write().
app::StopFlag g_stop{false};
std::atomic<int> g_signal{0};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous_int {};
struct sigaction g_previous_term {};
struct sigaction g_previous_hup {};

void OnSignal(int signal_number) {
    const int saved_errno = errno;
    g_signal.store(signal_number);
    g_stop.store(true);
    if (g_pipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    }
    errno = saved_errno;
}

}  // namespace

InterruptSignal::InterruptSignal() {
    g_stop.store(false);
    g_signal.store(0);
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
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
    for (int& fd : g_pipe) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

const app::StopFlag& InterruptSignal::flag() const { return g_stop; }
int InterruptSignal::wake_descriptor() const { return g_pipe[0]; }
int InterruptSignal::signal_number() const { return g_signal.load(); }

}  // namespace qx7::cli
