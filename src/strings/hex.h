#pragma once
// Bytes as hexadecimal text and back: command traces, state files, reports.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qx7::strings {

// Two lowercase digits per byte.
std::string ToHex(std::span<const std::uint8_t> bytes);

// The value of one hex digit (either case), or -1.
int HexDigitValue(char c);

// Pairs of hex digits (either case) to bytes; nothing when a character is
// not a hex digit or the count of digits is odd.
std::optional<std::vector<std::uint8_t>> FromHex(std::string_view text);

}  // namespace qx7::strings
