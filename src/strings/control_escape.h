#pragma once
// Text that comes from outside (a drive's serial number and USB strings) made
// safe to print: a control character could move the cursor, recolour the
// terminal or start a new line that looks like the program's own output.

#include <string>
#include <string_view>

namespace qx7::strings {

// Each control character (U+0000 to U+001F, U+007F and U+0080 to U+009F)
// becomes the four characters "\xNN" with upper-case hex digits; each
// bidirectional control (U+061C, U+200E, U+200F, U+202A to U+202E, U+2066
// to U+2069) becomes "\uNNNN"; a backslash becomes "\\", so the escaped
// text reads back to one original only. Every other character stays as it
// is.
std::u16string EscapeControlCharacters(std::u16string_view text);

// The same for UTF-8 text; a malformed sequence becomes U+FFFD.
std::string EscapeControlCharacters(std::string_view utf8);

// For a message to read, not to type back: control characters are escaped
// as above, a backslash stays one (a Windows path in a message reads as
// the path).
std::u16string EscapeControlCharactersForReading(std::u16string_view text);

}  // namespace qx7::strings
