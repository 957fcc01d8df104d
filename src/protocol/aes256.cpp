#include "protocol/aes256.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "protocol/aes_ecb_key.h"

namespace qx7::protocol {
namespace {

using detail::AesDirection;
using detail::AesEcbKey;

// Whether [a, a+size) and [b, b+size) share bytes without being the same range.
bool OverlapPartly(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    if (a == b) return false;
    const std::less<const std::uint8_t*> before;
    return before(a, b + size) && before(b, a + size);
}

// Shared by the run functions: checks the bounds before touching anything,
// then processes all blocks in one call.
int RunBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
              std::span<const std::uint8_t, kAes256KeySize> key, int length, AesDirection dir) {
    if (length <= 0) return 0;
    const std::size_t blocks = (static_cast<std::size_t>(length) + kAesBlockSize - 1) / kAesBlockSize;
    const std::size_t total = blocks * kAesBlockSize;
    // The byte count must be reportable as an int (length near INT_MAX rounds past it).
    if (total > static_cast<std::size_t>(INT_MAX)) return 0;
    if (in.size() < total || out.size() < total) return 0;

    // The libraries accept the same buffer in and out but not a partial
    // overlap; such input is copied first so that every block is read before
    // it is overwritten.
    std::vector<std::uint8_t> copy;
    const std::uint8_t* source = in.data();
    if (OverlapPartly(out.data(), in.data(), total)) {
        copy.assign(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(total));
        source = copy.data();
    }

    const std::unique_ptr<AesEcbKey> ecb = AesEcbKey::Create(key);
    if (!ecb || !ecb->Run(dir, source, out.data(), total)) {
        std::fill_n(out.begin(), total, std::uint8_t{0});
        return 0;
    }
    return static_cast<int>(total);
}

void RunRecord(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
               std::span<const std::uint8_t, kAes256KeySize> key, AesDirection dir) {
    if (RunBlocks(out, in, key, static_cast<int>(kRecord320Size), dir) != static_cast<int>(kRecord320Size)) {
        throw std::runtime_error("the cryptographic library failed to run AES-256 over a 320-byte record");
    }
}

}  // namespace

Aes256::Aes256(std::span<const std::uint8_t, kAes256KeySize> key) : key_(AesEcbKey::Create(key)) {
    if (!key_) throw std::runtime_error("the cryptographic library failed to set up an AES-256 key");
}

Aes256::~Aes256() = default;

void Aes256::EncryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                          std::span<std::uint8_t, kAesBlockSize> out) const {
    std::array<std::uint8_t, kAesBlockSize> block{};
    if (!key_->Run(AesDirection::Encrypt, in.data(), block.data(), kAesBlockSize)) {
        throw std::runtime_error("the cryptographic library failed to encrypt an AES-256 block");
    }
    std::copy(block.begin(), block.end(), out.begin());
}

void Aes256::DecryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                          std::span<std::uint8_t, kAesBlockSize> out) const {
    std::array<std::uint8_t, kAesBlockSize> block{};
    if (!key_->Run(AesDirection::Decrypt, in.data(), block.data(), kAesBlockSize)) {
        throw std::runtime_error("the cryptographic library failed to decrypt an AES-256 block");
    }
    std::copy(block.begin(), block.end(), out.begin());
}

int EncryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length) {
    return RunBlocks(out, in, key, length, AesDirection::Encrypt);
}

int DecryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length) {
    return RunBlocks(out, in, key, length, AesDirection::Decrypt);
}

void EncryptRecord320(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key) {
    RunRecord(out, in, key, AesDirection::Encrypt);
}

void DecryptRecord320(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key) {
    RunRecord(out, in, key, AesDirection::Decrypt);
}

}  // namespace qx7::protocol
