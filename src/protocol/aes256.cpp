#include "protocol/aes256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace qx7::protocol {
namespace {

enum class Direction { Encrypt, Decrypt };

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

// A context keyed for AES-256-ECB in one direction, without padding (the
// callers always hand over whole blocks); empty when libcrypto fails.
CipherContext NewContext(std::span<const std::uint8_t, kAes256KeySize> key, Direction dir) {
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return nullptr;
    const int enc = dir == Direction::Encrypt ? 1 : 0;
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_ecb(), nullptr, key.data(), nullptr, enc) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
        return nullptr;
    }
    return context;
}

// Runs `size` bytes (whole blocks, at most INT_MAX) through `context`;
// false when libcrypto fails or does not process all of them.
bool Update(EVP_CIPHER_CTX* context, std::uint8_t* out, const std::uint8_t* in, std::size_t size) {
    int written = 0;
    return EVP_CipherUpdate(context, out, &written, in, static_cast<int>(size)) == 1 &&
           written == static_cast<int>(size);
}

// Whether [a, a+size) and [b, b+size) share bytes without being the same range.
bool OverlapPartly(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    if (a == b) return false;
    const std::less<const std::uint8_t*> before;
    return before(a, b + size) && before(b, a + size);
}

// Shared by the run functions: checks the bounds before touching anything,
// then processes all blocks in one call.
int RunBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
              std::span<const std::uint8_t, kAes256KeySize> key, int length, Direction dir) {
    if (length <= 0) return 0;
    const std::size_t blocks = (static_cast<std::size_t>(length) + kAesBlockSize - 1) / kAesBlockSize;
    const std::size_t total = blocks * kAesBlockSize;
    // The byte count must be reportable as an int (length near INT_MAX rounds past it).
    if (total > static_cast<std::size_t>(INT_MAX)) return 0;
    if (in.size() < total || out.size() < total) return 0;

    // libcrypto accepts the same buffer in and out but refuses a partial
    // overlap; such input is copied first so that every block is read before
    // it is overwritten.
    std::vector<std::uint8_t> copy;
    const std::uint8_t* source = in.data();
    if (OverlapPartly(out.data(), in.data(), total)) {
        copy.assign(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(total));
        source = copy.data();
    }

    const CipherContext context = NewContext(key, dir);
    if (!context || !Update(context.get(), out.data(), source, total)) {
        std::fill_n(out.begin(), total, std::uint8_t{0});
        return 0;
    }
    return static_cast<int>(total);
}

void RunRecord(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
               std::span<const std::uint8_t, kAes256KeySize> key, Direction dir) {
    if (RunBlocks(out, in, key, static_cast<int>(kRecord320Size), dir) != static_cast<int>(kRecord320Size)) {
        throw std::runtime_error("libcrypto failed to run AES-256 over a 320-byte record");
    }
}

}  // namespace

Aes256::Aes256(std::span<const std::uint8_t, kAes256KeySize> key) {
    CipherContext encrypt = NewContext(key, Direction::Encrypt);
    CipherContext decrypt = NewContext(key, Direction::Decrypt);
    if (!encrypt || !decrypt) throw std::runtime_error("libcrypto failed to set up an AES-256 key");
    encrypt_ = encrypt.release();
    decrypt_ = decrypt.release();
}

Aes256::~Aes256() {
    EVP_CIPHER_CTX_free(encrypt_);
    EVP_CIPHER_CTX_free(decrypt_);
}

void Aes256::EncryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                          std::span<std::uint8_t, kAesBlockSize> out) const {
    std::array<std::uint8_t, kAesBlockSize> block{};
    if (!Update(encrypt_, block.data(), in.data(), kAesBlockSize)) {
        throw std::runtime_error("libcrypto failed to encrypt an AES-256 block");
    }
    std::copy(block.begin(), block.end(), out.begin());
}

void Aes256::DecryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                          std::span<std::uint8_t, kAesBlockSize> out) const {
    std::array<std::uint8_t, kAesBlockSize> block{};
    if (!Update(decrypt_, block.data(), in.data(), kAesBlockSize)) {
        throw std::runtime_error("libcrypto failed to decrypt an AES-256 block");
    }
    std::copy(block.begin(), block.end(), out.begin());
}

int EncryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length) {
    return RunBlocks(out, in, key, length, Direction::Encrypt);
}

int DecryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length) {
    return RunBlocks(out, in, key, length, Direction::Decrypt);
}

void EncryptRecord320(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key) {
    RunRecord(out, in, key, Direction::Encrypt);
}

void DecryptRecord320(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key) {
    RunRecord(out, in, key, Direction::Decrypt);
}

}  // namespace qx7::protocol
