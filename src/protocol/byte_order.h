#pragma once
// Little- and big-endian field access at explicit offsets of byte records.
// Callers pass offsets that fit their fixed-size records; the span's own
// bounds are checked in debug builds by the standard library.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

namespace qx7::protocol::bytes {

inline std::uint16_t GetLe16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] | in[at + 1] << 8);
}
inline std::uint32_t GetLe32(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint32_t>(in[at]) | static_cast<std::uint32_t>(in[at + 1]) << 8 |
           static_cast<std::uint32_t>(in[at + 2]) << 16 | static_cast<std::uint32_t>(in[at + 3]) << 24;
}
inline std::uint16_t GetBe16(std::span<const std::uint8_t> in, std::size_t at) {
    return static_cast<std::uint16_t>(in[at] << 8 | in[at + 1]);
}
inline void PutLe16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
inline void PutLe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void PutBe16(std::span<std::uint8_t> out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}
template <std::size_t N>
void GetBytes(std::span<const std::uint8_t> in, std::size_t at, std::array<std::uint8_t, N>& out) {
    std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(at), N, out.begin());
}
template <std::size_t N>
void PutBytes(std::span<std::uint8_t> out, std::size_t at, const std::array<std::uint8_t, N>& in) {
    std::copy_n(in.begin(), N, out.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace qx7::protocol::bytes
