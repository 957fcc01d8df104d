#pragma once
// A file's path as UTF-8 text and back. The program's texts are UTF-8 (the
// terminal, the JSON and report files, the log, the messages); a path's own
// narrow form is not on every system: on Windows, path::string() and
// path(std::string) use the ANSI code page, which cannot hold every name.
// Every path shown, written, compared or taken from the user's text goes
// through these two.

#include <filesystem>
#include <string>
#include <string_view>

namespace qx7::strings {

// `path` as UTF-8.
std::string PathText(const std::filesystem::path& path);

// The path that UTF-8 `text` names.
std::filesystem::path PathFromText(std::string_view text);

}  // namespace qx7::strings
