#include "cli/cli_host.h"

#include "strings/control_escape.h"
#include "strings/text_codec.h"

namespace qx7::cli {

std::string MessageLine(std::u16string_view text) {
    std::u16string line(text);
    for (char16_t& c : line) {
        if (c == u'\n' || c == u'\r') c = u' ';
    }
    return strings::ToUtf8(strings::EscapeControlCharactersForReading(line));
}

void CliHost::ShowMessage(std::u16string_view text, editor::MessageIcon icon) {
    messages.push_back({std::u16string(text), icon});
    std::string line = MessageLine(text);
    if (line == last_printed_) return;
    last_printed_ = line;
    Print(std::move(line));
}

void CliHost::Hold() { holding_ = true; }

void CliHost::Release(std::string prefix) {
    prefix_ = std::move(prefix);
    holding_ = false;
    for (const std::string& line : held_) print_line_(prefix_ + line);
    held_.clear();
}

void CliHost::PrintLines(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!line.empty()) Print(strings::EscapeControlCharacters(line));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

void CliHost::Print(std::string line) {
    if (holding_) {
        held_.push_back(std::move(line));
    } else {
        print_line_(prefix_ + line);
    }
}

}  // namespace qx7::cli
