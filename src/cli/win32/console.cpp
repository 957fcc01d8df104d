#include "cli/console.h"

#include <windows.h>
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <iostream>

#include "cli/batch_console.h"
#include "cli/messages.h"
#include "cli/win32/console_win32.h"
#include "strings/text_codec.h"
#include "strings/win32/wide_text.h"

namespace qx7::cli {
namespace {

HANDLE StandardHandle(DWORD which) { return ::GetStdHandle(which); }

bool ConsoleMode(HANDLE handle, DWORD& mode) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

// The console input's mode while its echo is off, for the control handler
// to put back when Ctrl+C ends the program during the prompt.
HANDLE g_input = nullptr;
DWORD g_saved_input_mode = 0;

BOOL WINAPI RestoreInputModeOnControl(DWORD) {
    ::SetConsoleMode(g_input, g_saved_input_mode);
    return FALSE;  // the system's handling follows: the program ends
}

// Turns the echo of the console input off for its lifetime, in line mode
// with Ctrl+C processed; Ctrl+C or closing the console meanwhile puts it
// back before the program ends.
class EchoOff {
public:
    explicit EchoOff(HANDLE input) {
        DWORD mode = 0;
        if (!ConsoleMode(input, mode)) return;
        g_input = input;
        g_saved_input_mode = mode;
        ::SetConsoleCtrlHandler(RestoreInputModeOnControl, TRUE);
        const DWORD quiet =
            (mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT;
        active_ = ::SetConsoleMode(input, quiet) != 0;
        if (!active_) ::SetConsoleCtrlHandler(RestoreInputModeOnControl, FALSE);
    }
    ~EchoOff() {
        if (!active_) return;
        ::SetConsoleMode(g_input, g_saved_input_mode);
        ::SetConsoleCtrlHandler(RestoreInputModeOnControl, FALSE);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    bool active_ = false;
};

}  // namespace

struct ConsoleSession::Saved {
    UINT output_code_page = 0;  // 0: not changed
    struct Output {
        HANDLE handle = nullptr;
        DWORD mode = 0;
    };
    Output outputs[2];  // standard output and error, when their mode was changed
};

ConsoleSession::ConsoleSession() : saved_(std::make_unique<Saved>()) {
    // The program's text is UTF-8 everywhere: the console shows it as such,
    // and a redirected stream gets the bytes as they are, without the C
    // library's translation of line ends (the same bytes as on Linux).
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    const UINT code_page = ::GetConsoleOutputCP();
    if (code_page != 0 && code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) saved_->output_code_page = code_page;
    // The progress line moves the cursor with the terminal's control
    // sequences.
    int index = 0;
    for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        const HANDLE handle = StandardHandle(which);
        DWORD mode = 0;
        if (!ConsoleMode(handle, mode) || (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) continue;
        if (::SetConsoleMode(handle, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
            saved_->outputs[index++] = {handle, mode};
        }
    }
}

ConsoleSession::~ConsoleSession() {
    std::cout.flush();
    std::cerr.flush();
    for (const Saved::Output& output : saved_->outputs) {
        if (output.handle != nullptr) ::SetConsoleMode(output.handle, output.mode);
    }
    if (saved_->output_code_page != 0) ::SetConsoleOutputCP(saved_->output_code_page);
}

std::vector<std::string> SplitCommandLine(const wchar_t* command_line) {
    std::vector<std::string> words;
    int count = 0;
    LPWSTR* split = ::CommandLineToArgvW(command_line, &count);
    if (split == nullptr) return words;
    for (int i = 0; i < count; ++i) words.push_back(strings::Utf8FromWide(split[i]));
    ::LocalFree(split);
    return words;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    // argv is in the ANSI code page, which cannot hold every name; the
    // system keeps the line as UTF-16.
    std::vector<std::string> words = SplitCommandLine(::GetCommandLineW());
    if (words.empty()) words.assign(argv, argv + argc);
    return words;
}

std::size_t TerminalWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(StandardHandle(STD_ERROR_HANDLE), &info) &&
        info.srWindow.Right > info.srWindow.Left) {
        return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left) + 1;
    }
    return 80;
}

// A console that takes the progress line's control sequences (the
// ConsoleSession turned them on); an older console would print them.
bool StandardErrorIsTerminal() {
    DWORD mode = 0;
    return ConsoleMode(StandardHandle(STD_ERROR_HANDLE), mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool StandardInputIsTerminal() {
    DWORD mode = 0;
    return ConsoleMode(StandardHandle(STD_INPUT_HANDLE), mode);
}

TypedLine ReadLineWithoutEcho(std::size_t max_bytes) {
    TypedLine line;
    const HANDLE input = StandardHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!ConsoleMode(input, mode)) {
        // Not a console: the bytes as they come, as on Linux.
        char c = 0;
        DWORD got = 0;
        while (::ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
            if (c == '\n') {
                line.ended = true;
                break;
            }
            if (line.text.size() <= max_bytes) line.text += c;
        }
        return line;
    }
    // The console gives the typed characters as UTF-16, whatever its code
    // page; at most max_bytes + 1 of them are kept, each at least a byte in
    // UTF-8, so that a longer line still shows as one.
    std::u16string typed;
    {
        const EchoOff echo_off(input);
        wchar_t buffer[128];
        DWORD got = 0;
        while (!line.ended && ::ReadConsoleW(input, buffer, 128, &got, nullptr) && got > 0) {
            for (DWORD i = 0; i < got; ++i) {
                if (buffer[i] == L'\n') {
                    line.ended = true;
                    break;
                }
                if (typed.size() <= max_bytes) typed += static_cast<char16_t>(buffer[i]);
            }
        }
    }
    line.text = strings::ToUtf8(typed);
    if (line.text.size() > max_bytes + 1) line.text.resize(max_bytes + 1);
    // The console echoed nothing, not even the line end.
    if (line.ended) std::cerr << '\n' << std::flush;
    return line;
}

strings::Language LanguageOfLanguageId(std::uint16_t language_id) {
    return PRIMARYLANGID(language_id) == LANG_KOREAN ? strings::Language::Korean : strings::Language::English;
}

strings::Language LanguageFromEnvironment() { return LanguageOfLanguageId(::GetUserDefaultUILanguage()); }

}  // namespace qx7::cli
