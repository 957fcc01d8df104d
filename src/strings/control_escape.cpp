#include "strings/control_escape.h"

#include "strings/text_codec.h"

namespace qx7::strings {
namespace {

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// The characters that reorder the text around them: the Arabic letter mark,
// the left-to-right and right-to-left marks, embeddings, overrides and
// isolates. U+202E turns "QX7...gpj.exe" into what reads as another name.
bool IsBidiControl(char16_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::u16string Escape(std::u16string_view text, bool double_backslashes) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        // The escape character itself is escaped, so that "\\x41" from a
        // drive cannot pass for an escaped "A".
        if (c == u'\\' && double_backslashes) {
            out += u"\\\\";
            continue;
        }
        if (IsBidiControl(c)) {
            out += u"\\u";
            for (const int shift : {12, 8, 4, 0}) out.push_back(kDigits[(c >> shift) & 0xF]);
            continue;
        }
        if (!IsControl(c)) {
            out.push_back(c);
            continue;
        }
        out += u"\\x";
        out.push_back(kDigits[(c >> 4) & 0xF]);
        out.push_back(kDigits[c & 0xF]);
    }
    return out;
}

}  // namespace

std::u16string EscapeControlCharacters(std::u16string_view text) { return Escape(text, true); }

std::u16string EscapeControlCharactersForReading(std::u16string_view text) { return Escape(text, false); }

std::string EscapeControlCharacters(std::string_view utf8) { return ToUtf8(EscapeControlCharacters(FromUtf8(utf8))); }

}  // namespace qx7::strings
