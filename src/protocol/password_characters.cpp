#include "protocol/password_characters.h"

#include <string_view>

namespace qx7::protocol {
namespace {

constexpr std::string_view kSpecialCharacters = "-+&*_$%^!@#.";

}  // namespace

PasswordCharClass ClassifyPasswordCharacter(std::uint8_t c) {
    if ((c >= '0' && c <= '9') || c == '#' || c == '*') return kClassNumeric;
    if ((c >= 'A' && c <= 'Z') || c == '.') return kClassAlpha;
    if (IsSpecialPasswordCharacter(c)) return kClassSpecial;
    return kClassInvalid;
}

bool IsSpecialPasswordCharacter(std::uint8_t c) {
    return c != 0 && kSpecialCharacters.find(static_cast<char>(c)) != std::string_view::npos;
}

}  // namespace qx7::protocol
