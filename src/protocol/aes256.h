#pragma once
// AES-256 in ECB mode over whole 16-byte blocks: the cipher of the drive's
// command channel and of the configuration file. The system's cryptographic
// library does the work (constant-time, hardware-accelerated where the CPU
// allows): OpenSSL's libcrypto on Linux, CNG on Windows (protocol/<api>/).

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace qx7::protocol {

namespace detail {
class AesEcbKey;
}

inline constexpr std::size_t kAesBlockSize = 16;
inline constexpr std::size_t kAes256KeySize = 32;
using Aes256Key = std::array<std::uint8_t, kAes256KeySize>;

// One AES-256 key set up once for many blocks. Not for use from several
// threads at the same time. The constructor and the block functions throw
// std::runtime_error when the cryptographic library fails (out of memory, or a library
// configuration that refuses AES-256-ECB); nothing is written then.
class Aes256 {
public:
    explicit Aes256(std::span<const std::uint8_t, kAes256KeySize> key);
    ~Aes256();  // the key schedule is wiped
    Aes256(const Aes256&) = delete;
    Aes256& operator=(const Aes256&) = delete;

    // `in` and `out` may be the same block.
    void EncryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                      std::span<std::uint8_t, kAesBlockSize> out) const;
    void DecryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                      std::span<std::uint8_t, kAesBlockSize> out) const;

private:
    std::unique_ptr<detail::AesEcbKey> key_;
};

// Enciphers ceil(length / 16) whole blocks of `in` into `out` with `key` and
// returns the number of bytes processed (16 per block). `out` may alias or
// overlap `in`. Returns 0 and touches nothing when `length` <= 0, or when
// `in` or `out` is shorter than the rounded-up length. Returns 0 too when
// the cryptographic library fails; `out` is then cleared to zeros over the rounded-up length,
// so that no half-processed data is mistaken for a result.
int EncryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length);
// The same with the inverse cipher.
int DecryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length);

// Exactly 320 bytes (20 blocks); used by the configuration file. Throws
// std::runtime_error when the cryptographic library fails (`out` is then all zeros).
inline constexpr std::size_t kRecord320Size = 320;
void EncryptRecord320(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key);
void DecryptRecord320(std::span<std::uint8_t, kRecord320Size> out, std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key);

}  // namespace qx7::protocol
