#pragma once
// User-interface texts: two string tables (English and Korean) with the same
// identifiers, embedded in the program from resources/strings/ and named by
// StringId (strings/string_ids.h).

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "strings/string_ids.h"

namespace qx7::strings {

// Interface languages, valued by their platform language identifiers.
enum class Language : std::uint16_t { English = 1033, Korean = 1042 };

// The text of entry `id` in the table of `language`, or nothing when the
// table has no such entry. An empty entry is returned as an empty view.
std::optional<std::u16string_view> FindString(Language language, StringId id);

// Entry `id` of `language` with its inserts filled: "%1" is replaced by the
// first insert, "%2" by the second, and so on up to %99; "%%" gives "%".
// A missing or empty entry gives "???". An insert number with no argument
// is left as written.
std::u16string FormatResString(Language language, StringId id, std::initializer_list<std::u16string_view> inserts = {});

// `pattern` with its inserts filled by the rules of FormatResString; every
// other "%x" stays as written and the inserts themselves are not scanned.
std::u16string FillInserts(std::u16string_view pattern, std::span<const std::u16string_view> inserts);

// Every identifier present in the table of `language`, ascending.
std::vector<std::uint16_t> StringIds(Language language);

// A table read from its text form: UTF-8 lines "<id><TAB><text>", where
// lines starting with '#' and blank lines are comments and, in the text,
// \n stands for a line break, \t for a tab and \\ for a backslash.
// Lines that cannot be read are left out of `entries` and described in
// `defects` as "line <n>: <reason>"; for a repeated id the first line wins.
struct ParsedTable {
    std::map<std::uint16_t, std::u16string> entries;
    std::vector<std::string> defects;
};
ParsedTable ParseStringTable(std::string_view source);

// The defects found in the embedded table of `language`; empty for a table
// fit to ship.
std::vector<std::string> TableDefects(Language language);

}  // namespace qx7::strings
