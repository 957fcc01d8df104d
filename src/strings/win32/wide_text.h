#pragma once
// Windows' own text form, UTF-16 in wchar_t, to and from the program's
// UTF-8, and the system's texts for its error codes. Every Windows part
// converts through these, so a bad sequence is handled one way everywhere:
// it becomes U+FFFD. Only code built for Windows includes this header.

#include <cstdint>
#include <string>
#include <string_view>

namespace qx7::strings {

// UTF-8 to UTF-16 in wchar_t.
std::wstring WideFromUtf8(std::string_view text);

// UTF-16 in wchar_t to UTF-8.
std::string Utf8FromWide(std::wstring_view text);

// The system's text for `code` (a GetLastError code), in UTF-8, without
// the line end and the closing full stop; "error <code>" when the system
// has no text for it.
std::string SystemErrorText(std::uint32_t code);

}  // namespace qx7::strings
