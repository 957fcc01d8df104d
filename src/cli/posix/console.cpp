#include "cli/console.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "cli/batch_console.h"
#include "cli/messages.h"

namespace qx7::cli {
namespace {

// The terminal's settings while its echo is off, for a signal to restore.
termios g_saved_terminal{};

extern "C" void RestoreTerminalAndRaise(int signal_number) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_terminal);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// Turns the echo of the terminal on standard input off for its lifetime;
// Ctrl-C or a termination signal meanwhile restores it before the program
// ends.
class EchoOff {
public:
    EchoOff() {
        if (::tcgetattr(STDIN_FILENO, &g_saved_terminal) != 0) return;
        termios quiet = g_saved_terminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            std::signal(signal_number, RestoreTerminalAndRaise);
        }
        active_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved_terminal);
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal_number, SIG_DFL);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active_ = false;
};

}  // namespace

struct ConsoleSession::Saved {};

// A terminal takes UTF-8 and the cursor controls as they are.
ConsoleSession::ConsoleSession() = default;
ConsoleSession::~ConsoleSession() = default;

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::size_t TerminalWidth() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool StandardInputIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

TypedLine ReadLineWithoutEcho(std::size_t max_bytes) {
    TypedLine line;
    const EchoOff echo_off;
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1) {
        if (c == '\n') {
            line.ended = true;
            break;
        }
        if (line.text.size() > max_bytes) continue;  // too long already; read to the line end
        line.text += c;
    }
    return line;
}

strings::Language LanguageFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') return LanguageOfLocaleName(value);
    }
    return strings::Language::English;
}

}  // namespace qx7::cli
