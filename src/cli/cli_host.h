#pragma once
// The window's dialogs for qx7ctl: the scripted host, with every message
// printed to standard error as one line whose control characters are
// escaped (a message may quote what a drive reported, such as its maker's
// name). The window's handlers each read the whole form, so a refused value
// repeats its message: a message equal to the one just printed is recorded
// but not printed again.
//
// With --all the messages of each drive are told apart by a prefix (its line
// and serial number). The serial number is known only once the drive is
// read, so the lines of the reading are held back and printed, prefixed,
// when it is.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/scripted_host.h"

namespace qx7::cli {

class CliHost final : public app::ScriptedHost {
public:
    explicit CliHost(std::ostream& out) : print_line_([&out](const std::string& line) { out << line << '\n'; }) {}
    // Each line goes to `print_line` (without its line end).
    explicit CliHost(std::function<void(const std::string&)> print_line) : print_line_(std::move(print_line)) {}
    void ShowMessage(std::u16string_view text, editor::MessageIcon icon) override;

    // Holds back every line from now on until Release.
    void Hold();
    // Prints the held lines, then every later one, after `prefix`.
    void Release(std::string prefix);
    // Prints each line of `text` (a diagnostic) as a message line.
    void PrintLines(std::string_view text);

private:
    void Print(std::string line);

    std::function<void(const std::string&)> print_line_;
    std::string last_printed_;
    std::string prefix_;
    bool holding_ = false;
    std::vector<std::string> held_;
};

// A message as one line: its line ends become spaces, other control
// characters "\xNN".
std::string MessageLine(std::u16string_view text);

}  // namespace qx7::cli
