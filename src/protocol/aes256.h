#pragma once
// AES-256 (FIPS-197) in ECB mode over whole 16-byte blocks: the cipher of
// the drive's command channel and of the configuration file.

#include <array>
#include <cstdint>
#include <span>

namespace qx7::protocol {

inline constexpr std::size_t kAesBlockSize = 16;
inline constexpr std::size_t kAes256KeySize = 32;
using Aes256Key = std::array<std::uint8_t, kAes256KeySize>;

// One expanded AES-256 key (15 round keys); expand once, run many blocks.
class Aes256 {
public:
    explicit Aes256(std::span<const std::uint8_t, kAes256KeySize> key);
    ~Aes256();  // wipes the round keys
    Aes256(const Aes256&) = delete;
    Aes256& operator=(const Aes256&) = delete;

    // `in` and `out` may be the same block.
    void EncryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                      std::span<std::uint8_t, kAesBlockSize> out) const;
    void DecryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                      std::span<std::uint8_t, kAesBlockSize> out) const;

private:
    std::array<std::uint8_t, 240> round_keys_{};
};

// Enciphers ceil(length / 16) whole blocks of `in` into `out` with `key` and
// returns the number of bytes processed (16 per block). `out` may alias
// `in`. Returns 0 and touches nothing when `length` <= 0, or when `in` or
// `out` is shorter than the rounded-up length.
int EncryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length);
// The same with the inverse cipher.
int DecryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length);

// Exactly 320 bytes (20 blocks); used by the configuration file.
inline constexpr std::size_t kRecord320Size = 320;
void EncryptRecord320(std::span<std::uint8_t, kRecord320Size> out,
                      std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key);
void DecryptRecord320(std::span<std::uint8_t, kRecord320Size> out,
                      std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key);

}  // namespace qx7::protocol
