#pragma once
// SHA-256 (FIPS 180-4), one-shot.

#include <array>
#include <cstdint>
#include <span>

namespace qx7::protocol {

inline constexpr std::size_t kSha256DigestSize = 32;
using Sha256Digest = std::array<std::uint8_t, kSha256DigestSize>;

// The digest of `data`, in the standard byte order.
Sha256Digest Sha256(std::span<const std::uint8_t> data);

}  // namespace qx7::protocol
