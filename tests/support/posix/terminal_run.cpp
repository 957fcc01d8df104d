#include "support/posix/terminal_run.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace qx7::test {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

TerminalRun RunOnTerminal(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                          const std::string& line, std::chrono::seconds deadline) {
    TerminalRun run;
    // Everything the child needs is made before the fork: after it, the
    // child of a threaded test program may only exec.
    std::vector<std::string> args = argv, env = environment;
    const std::vector<char*> arg_pointers = Pointers(args), env_pointers = Pointers(env);
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) return run;
    if (pid == 0) {
        ::execve(arg_pointers[0], arg_pointers.data(), env_pointers.data());
        ::_exit(127);
    }

    const auto end = std::chrono::steady_clock::now() + deadline;
    char buffer[4096];
    bool closed = false;
    while (!closed && std::chrono::steady_clock::now() < end) {
        if (!run.typed) {
            termios settings{};
            if (::tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) == 0) {
                const std::string typed = line + "\n";
                run.typed = ::write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
            }
        }
        pollfd fd{master, POLLIN, 0};
        if (::poll(&fd, 1, 20) < 0 && errno != EINTR) break;
        if ((fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            run.screen.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            closed = true;  // EIO once the program has closed the terminal
        }
    }
    if (!closed) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace qx7::test
