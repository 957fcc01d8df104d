#pragma once
// The one piece of AES-256 each cryptographic library supplies
// (protocol/<api>/aes_ecb_key.cpp): a key set up for ECB without padding in
// both directions. Everything else of protocol/aes256.h (bounds, overlapping
// buffers, clearing a failed result) is shared and lives in aes256.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "protocol/aes256.h"

namespace qx7::protocol::detail {

enum class AesDirection { Encrypt, Decrypt };

class AesEcbKey {
public:
    // The key, or null when the library fails. The library's key schedule
    // and any copy of the key are wiped when the object ends.
    static std::unique_ptr<AesEcbKey> Create(std::span<const std::uint8_t, kAes256KeySize> key);
    virtual ~AesEcbKey() = default;

    // Runs `size` bytes (whole blocks, at most INT_MAX) of `in` into `out`,
    // which is either the same buffer or a separate one; false when the
    // library fails or does not process all of them.
    virtual bool Run(AesDirection direction, const std::uint8_t* in, std::uint8_t* out, std::size_t size) const = 0;
};

}  // namespace qx7::protocol::detail
