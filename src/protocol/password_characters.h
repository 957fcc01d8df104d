#pragma once
// The characters a drive's keypad can type, and the class of a password's
// first character, which the settings record carries beside the password.

#include <cstdint>

namespace qx7::protocol {

enum PasswordCharClass : std::uint8_t {
    kClassInvalid = 0,
    kClassSpecial = 0x7D,
    kClassAlpha = 0x7E,
    kClassNumeric = 0x7F,
};

// Digits, '#' and '*' are numeric; 'A'-'Z' and '.' alphabetic; the special
// characters special; anything else (lower case included) no keypad types.
PasswordCharClass ClassifyPasswordCharacter(std::uint8_t c);
bool IsSpecialPasswordCharacter(std::uint8_t c);

}  // namespace qx7::protocol
