#include "cli/password_input.h"

#include <iostream>

#include "cli/console.h"
#include "cli/messages.h"
#include "editor/password_policy.h"
#include "storage/bounded_read.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

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
    const storage::BoundedRead read = storage::ReadFirstLine(strings::PathFromText(path), kMaxPasswordLineBytes);
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

bool CanAskForPassword() { return StandardInputIsTerminal(); }

std::optional<std::u16string> AskForPassword(strings::Language language) {
    std::cerr << Message(language, MessageId::PasswordPrompt) << std::flush;
    const TypedLine typed = ReadLineWithoutEcho(kMaxPasswordLineBytes);
    std::string line = typed.text;
    const bool ended = typed.ended;
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
