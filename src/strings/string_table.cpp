#include "strings/string_table.h"

#include <charconv>
#include <cstddef>

#include "strings/text_codec.h"

namespace qx7::embedded {
extern const unsigned char strings_en[];
extern const std::size_t strings_en_size;
extern const unsigned char strings_ko[];
extern const std::size_t strings_ko_size;
}  // namespace qx7::embedded

namespace qx7::strings {
namespace {

std::string_view EmbeddedSource(Language language) {
    if (language == Language::Korean) {
        return {reinterpret_cast<const char*>(embedded::strings_ko), embedded::strings_ko_size};
    }
    return {reinterpret_cast<const char*>(embedded::strings_en), embedded::strings_en_size};
}

// Each table is parsed on first use; function-local statics make that safe
// when several threads ask at once. A language other than Korean is served
// from the English table.
const ParsedTable& Table(Language language) {
    if (language == Language::Korean) {
        static const ParsedTable korean = ParseStringTable(EmbeddedSource(Language::Korean));
        return korean;
    }
    static const ParsedTable english = ParseStringTable(EmbeddedSource(Language::English));
    return english;
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// Reads the identifier field: decimal digits only, 0 to 65535.
std::optional<std::uint16_t> ParseId(std::string_view field) {
    unsigned value = 0;
    const char* const end = field.data() + field.size();
    const auto [stop, error] = std::from_chars(field.data(), end, value);
    if (error != std::errc{} || stop != end || value > 0xFFFF) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// Resolves \n, \t and \\ in `text`; returns the reason when the text holds
// another escape, a bare backslash at its end or a raw tab.
std::optional<std::string> Unescape(std::u16string_view text, std::u16string& out) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\t') return "raw tab in the text (write \\t)";
        if (c != u'\\') {
            out.push_back(c);
            continue;
        }
        if (i + 1 == text.size()) return "backslash at the end of the text";
        switch (text[++i]) {
            case u'n': out.push_back(u'\n'); break;
            case u't': out.push_back(u'\t'); break;
            case u'\\': out.push_back(u'\\'); break;
            default: return "unknown escape after a backslash";
        }
    }
    return std::nullopt;
}

}  // namespace

ParsedTable ParseStringTable(std::string_view source) {
    ParsedTable table;
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (source.starts_with(kBom)) source.remove_prefix(kBom.size());

    std::map<std::uint16_t, std::size_t> first_line_of;
    std::u16string text;
    std::size_t line_number = 0;
    while (!source.empty()) {
        ++line_number;
        const std::size_t newline = source.find('\n');
        std::string_view line = source.substr(0, newline);
        source.remove_prefix(newline == std::string_view::npos ? source.size() : newline + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (IsBlank(line) || line.starts_with('#')) continue;

        const auto defect = [&](const std::string& reason) {
            table.defects.push_back("line " + std::to_string(line_number) + ": " + reason);
        };
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            defect("no tab after the identifier");
            continue;
        }
        const std::optional<std::uint16_t> id = ParseId(line.substr(0, tab));
        if (!id) {
            defect("identifier is not a number from 0 to 65535");
            continue;
        }
        const std::string_view raw = line.substr(tab + 1);
        const std::u16string decoded = FromUtf8(raw);
        // Decoding is lossless exactly when the bytes are well-formed UTF-8.
        if (ToUtf8(decoded) != raw) {
            defect("text is not valid UTF-8");
            continue;
        }
        if (const auto reason = Unescape(decoded, text)) {
            defect(*reason);
            continue;
        }
        const auto [earlier, inserted] = first_line_of.try_emplace(*id, line_number);
        if (!inserted) {
            defect("identifier " + std::to_string(*id) + " already defined on line " + std::to_string(earlier->second));
            continue;
        }
        table.entries.emplace(*id, text);
    }
    return table;
}

std::vector<std::string> TableDefects(Language language) { return Table(language).defects; }

std::optional<std::u16string_view> FindString(Language language, StringId id) {
    const auto& entries = Table(language).entries;
    const auto it = entries.find(static_cast<std::uint16_t>(id));
    if (it == entries.end()) return std::nullopt;
    return std::u16string_view(it->second);
}

std::vector<std::uint16_t> StringIds(Language language) {
    std::vector<std::uint16_t> ids;
    for (const auto& [id, text] : Table(language).entries) ids.push_back(id);
    return ids;
}

std::u16string FormatResString(Language language, StringId id, std::initializer_list<std::u16string_view> inserts) {
    const std::optional<std::u16string_view> entry = FindString(language, id);
    if (!entry || entry->empty()) return u"???";
    return FillInserts(*entry, std::span(inserts.begin(), inserts.size()));
}

std::u16string FillInserts(std::u16string_view pattern, std::span<const std::u16string_view> inserts) {
    const auto is_digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    std::u16string out;
    out.reserve(pattern.size());
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i];
        if (c != u'%' || i + 1 == pattern.size()) {
            out.push_back(c);
            ++i;
            continue;
        }
        const char16_t next = pattern[i + 1];
        if (next == u'%') {
            out.push_back(u'%');
            i += 2;
            continue;
        }
        if (next < u'1' || next > u'9') {
            out.push_back(c);  // any other %x stays as written
            ++i;
            continue;
        }
        // Insert numbers take one or two digits, as the platform formatter
        // reads them: "%12" is insert 12, not insert 1 followed by "2".
        std::size_t digits = 1;
        std::size_t number = static_cast<std::size_t>(next - u'0');
        if (i + 2 < pattern.size() && is_digit(pattern[i + 2])) {
            number = number * 10 + static_cast<std::size_t>(pattern[i + 2] - u'0');
            digits = 2;
        }
        if (number <= inserts.size()) {
            out.append(inserts[number - 1]);
        } else {
            out.append(pattern.substr(i, 1 + digits));
        }
        i += 1 + digits;
    }
    return out;
}

}  // namespace qx7::strings
