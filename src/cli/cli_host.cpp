#include "cli/cli_host.h"

#include "strings/control_escape.h"
#include "strings/text_codec.h"

namespace qx7::cli {

std::string MessageLine(std::u16string_view text) {
    std::u16string line(text);
    for (char16_t& c : line) {
        if (c == u'\n' || c == u'\r') c = u' ';
    }
    return strings::ToUtf8(strings::EscapeControlCharacters(line));
}

void CliHost::ShowMessage(std::u16string_view text, editor::MessageIcon icon) {
    messages.push_back({std::u16string(text), icon});
    std::string line = MessageLine(text);
    if (line == last_printed_) return;
    out_ << line << '\n';
    last_printed_ = std::move(line);
}

}  // namespace qx7::cli
