#include "cli/password_input.h"

#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "cli/messages.h"
#include "editor/password_policy.h"
#include "storage/bounded_read.h"
#include "strings/text_codec.h"

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

// The password as the current-password field would hold it (upper case, at
// most 32 characters), or nothing with the reason on standard error.
std::optional<std::u16string> AsFieldText(const std::string& line, const std::string& name,
                                          strings::Language language) {
    const editor::PasswordFieldText field = editor::AsPasswordFieldText(strings::FromUtf8(line));
    if (!field.problem.empty()) {
        std::cerr << Message(language, MessageId::PasswordUnreadable, {"the password in " + name, field.problem})
                  << '\n';
        return std::nullopt;
    }
    return field.text;
}

}  // namespace

std::optional<std::u16string> ReadPasswordFile(const std::string& path, strings::Language language) {
    // Standard input on a terminal is typed: asked for, without its echo.
    if (path == "-" && CanAskForPassword()) return AskForPassword(language);
    const std::string name = path == "-" ? std::string("standard input") : "the password file " + path;
    const storage::BoundedRead read = storage::ReadFirstLine(path, kMaxPasswordLineBytes);
    if (!read.ok) {
        std::cerr << Message(language, MessageId::PasswordUnreadable, {name, read.problem}) << '\n';
        return std::nullopt;
    }
    if (read.bytes.empty()) {
        std::cerr << Message(language, MessageId::PasswordEmpty, {name}) << '\n';
        return std::nullopt;
    }
    return AsFieldText(read.bytes, name, language);
}

bool CanAskForPassword() { return ::isatty(STDIN_FILENO) == 1; }

std::optional<std::u16string> AskForPassword(strings::Language language) {
    std::cerr << Message(language, MessageId::PasswordPrompt) << std::flush;
    std::string line;
    bool ended = false;
    {
        const EchoOff echo_off;
        char c = 0;
        while (::read(STDIN_FILENO, &c, 1) == 1) {
            if (c == '\n') {
                ended = true;
                break;
            }
            if (line.size() > kMaxPasswordLineBytes) continue;  // refused below; read to the line end
            line += c;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!ended) std::cerr << '\n';
    if (line.size() > kMaxPasswordLineBytes) {
        std::cerr << Message(language, MessageId::PasswordUnreadable, {"the terminal", "gave a line too long"}) << '\n';
        return std::nullopt;
    }
    if (line.empty()) {
        std::cerr << Message(language, MessageId::PasswordNotTyped) << '\n';
        return std::nullopt;
    }
    return AsFieldText(line, "the terminal", language);
}

}  // namespace qx7::cli
