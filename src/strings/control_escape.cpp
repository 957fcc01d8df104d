#include "strings/control_escape.h"

#include "strings/text_codec.h"

namespace qx7::strings {
namespace {

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

}  // namespace

std::u16string EscapeControlCharacters(std::u16string_view text) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
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

std::string EscapeControlCharacters(std::string_view utf8) {
    return ToUtf8(EscapeControlCharacters(FromUtf8(utf8)));
}

}  // namespace qx7::strings
