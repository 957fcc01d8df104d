#pragma once
// What qx7ctl needs of the console it runs in, one implementation per system
// (cli/<api>/): its setup for a run, its width, a line typed without echo
// and the command line's words as UTF-8.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace qx7::cli {

// Sets the console up for one run and puts it back as it was when it ends:
// on Windows, UTF-8 output and the cursor controls of the progress line;
// nothing on Linux, where the terminal takes UTF-8 and the controls as they
// are.
class ConsoleSession {
public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    struct Saved;

private:
    std::unique_ptr<Saved> saved_;
};

// The words of the command line, the program's name first, in UTF-8 (on
// Windows read as UTF-16 from the system, whatever the code page).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The width in columns of the terminal on standard error; 80 when it has
// none.
std::size_t TerminalWidth();

// Whether standard input is a terminal (a console on Windows).
bool StandardInputIsTerminal();

// One line typed on the terminal on standard input with its echo turned off
// (and on again before it returns, also when the program is interrupted
// meanwhile). At most `max_bytes` + 1 bytes of it are kept, so that a longer
// line shows as one; the line end is not part of it.
struct TypedLine {
    std::string text;    // UTF-8
    bool ended = false;  // a line end was read (not the input's end)
};
TypedLine ReadLineWithoutEcho(std::size_t max_bytes);

}  // namespace qx7::cli
