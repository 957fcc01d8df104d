#pragma once
// The window's dialogs for qx7ctl: the scripted host, with every message
// printed to standard error as one line whose control characters are
// escaped (a message may quote what a drive reported, such as its maker's
// name). The window's handlers each read the whole form, so a refused value
// repeats its message: a message equal to the one just printed is recorded
// but not printed again.

#include <ostream>
#include <string>

#include "app/scripted_host.h"

namespace qx7::cli {

class CliHost final : public app::ScriptedHost {
public:
    explicit CliHost(std::ostream& out) : out_(out) {}
    void ShowMessage(std::u16string_view text, editor::MessageIcon icon) override;

private:
    std::ostream& out_;
    std::string last_printed_;
};

// A message as one line: its line ends become spaces, other control
// characters "\xNN".
std::string MessageLine(std::u16string_view text);

}  // namespace qx7::cli
