#pragma once
// SHA-256, one-shot, computed by the system's cryptographic library
// (protocol/<api>/sha256.cpp).

#include <array>
#include <cstdint>
#include <span>

namespace qx7::protocol {

inline constexpr std::size_t kSha256DigestSize = 32;
using Sha256Digest = std::array<std::uint8_t, kSha256DigestSize>;

// The digest of `data`, in the standard byte order. Throws
// std::runtime_error when the library fails (out of memory, or a
// configuration that refuses SHA-256): a digest is used as a key, and no
// stand-in value could be told apart from a real one.
Sha256Digest Sha256(std::span<const std::uint8_t> data);

}  // namespace qx7::protocol
