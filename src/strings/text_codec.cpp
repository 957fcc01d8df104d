#include "strings/text_codec.h"

namespace qx7::strings {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes one well-formed UTF-8 sequence at the start of `text` (which is
// not empty). Returns its length and code point, or length 0 when the bytes
// there do not form a complete, shortest-form sequence of a scalar value.
struct Decoded {
    std::size_t length;
    char32_t cp;
};

Decoded DecodeOne(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return {1, lead};

    std::size_t length = 0;
    char32_t cp = 0;
    // The second byte's range carries the shortest-form, surrogate and
    // upper-limit rules; later bytes only need to be continuation bytes.
    unsigned char second_min = 0x80;
    unsigned char second_max = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        if (lead == 0xE0) second_min = 0xA0;  // shorter form exists
        if (lead == 0xED) second_max = 0x9F;  // would encode a surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        if (lead == 0xF0) second_min = 0x90;  // shorter form exists
        if (lead == 0xF4) second_max = 0x8F;  // beyond U+10FFFF
    } else {
        return {0, 0};  // continuation byte, C0, C1 or F5..FF as lead
    }
    if (text.size() < length) return {0, 0};
    if (byte(1) < second_min || byte(1) > second_max) return {0, 0};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return {0, 0};
        cp = (cp << 6) | (byte(i) & 0x3F);
    }
    return {length, cp};
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHighSurrogate(cp) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const Decoded decoded = DecodeOne(text);
        if (decoded.length == 0) {
            // Resynchronise on the next byte, so every byte of a broken
            // sequence gives its own replacement character.
            out.push_back(static_cast<char16_t>(kReplacement));
            text.remove_prefix(1);
        } else {
            AppendUtf16(out, decoded.cp);
            text.remove_prefix(decoded.length);
        }
    }
    return out;
}

std::u16string FromLatin1(std::span<const std::uint8_t> bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (const std::uint8_t b : bytes) out.push_back(static_cast<char16_t>(b));
    return out;
}

std::optional<std::string> ToLatin1(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (char16_t unit : text) {
        if (unit > 0xFF) return std::nullopt;
        bytes += static_cast<char>(static_cast<std::uint8_t>(unit));
    }
    return bytes;
}

}  // namespace qx7::strings
