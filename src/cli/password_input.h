#pragma once
// Where apply takes the drives' current administrator password from: the
// first line of a file, standard input (-), or, with neither, the terminal,
// asked without echo.

#include <optional>
#include <string>

#include "strings/string_table.h"

namespace qx7::cli {

// A password has at most 32 characters; a first line this long is no
// password file.
inline constexpr std::size_t kMaxPasswordLineBytes = 256;

// The first line of the file `path` ("-": standard input), or nothing with
// the reason on standard error.
std::optional<std::u16string> ReadPasswordFile(const std::string& path, strings::Language language);

// Whether standard input is a terminal that a password can be asked on.
bool CanAskForPassword();

// Asks on standard error and reads one line from the terminal on standard
// input with its echo turned off; nothing, with the reason on standard
// error, when nothing was typed.
std::optional<std::u16string> AskForPassword(strings::Language language);

}  // namespace qx7::cli
