#pragma once
// Conversions between the text forms the program meets: UTF-16 (form texts
// and string tables), UTF-8 (terminal, files, JSON) and Latin-1 (one byte
// per character, the narrow form of passwords and serial numbers).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qx7::strings {

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. A malformed sequence becomes U+FFFD, one per bad byte.
std::u16string FromUtf8(std::string_view text);

// Each byte becomes the code point of the same value (0 to 255).
std::u16string FromLatin1(std::span<const std::uint8_t> bytes);

// The inverse: each code point 0 to 255 becomes its byte; nothing when the
// text holds a character above U+00FF.
std::optional<std::string> ToLatin1(std::u16string_view text);

}  // namespace qx7::strings
