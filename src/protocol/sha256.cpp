#include "protocol/sha256.h"

#include <cstddef>

namespace qx7::protocol {
namespace {

constexpr std::size_t kBlockSize = 64;
constexpr std::size_t kLengthFieldSize = 8;

// FIPS 180-4 4.2.2: the first 32 bits of the fractional parts of the cube
// roots of the first 64 primes.
constexpr std::array<std::uint32_t, 64> kRoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

// FIPS 180-4 5.3.3: the initial hash value.
constexpr std::array<std::uint32_t, 8> kInitialHash = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

using HashState = std::array<std::uint32_t, 8>;

// One application of the compression function (FIPS 180-4 6.2.2) to a
// 64-byte block, words read big-endian.
void Compress(HashState& hash, std::span<const std::uint8_t, kBlockSize> block) {
    std::array<std::uint32_t, 64> w{};
    for (std::size_t t = 0; t < 16; ++t) {
        w[t] = (std::uint32_t{block[4 * t]} << 24) | (std::uint32_t{block[4 * t + 1]} << 16) |
               (std::uint32_t{block[4 * t + 2]} << 8) | std::uint32_t{block[4 * t + 3]};
    }
    for (std::size_t t = 16; t < 64; ++t) {
        const std::uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
        const std::uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
        w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }

    std::uint32_t a = hash[0], b = hash[1], c = hash[2], d = hash[3];
    std::uint32_t e = hash[4], f = hash[5], g = hash[6], h = hash[7];
    for (std::size_t t = 0; t < 64; ++t) {
        const std::uint32_t sum1 = Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25);
        const std::uint32_t choose = (e & f) ^ (~e & g);
        const std::uint32_t t1 = h + sum1 + choose + kRoundConstants[t] + w[t];
        const std::uint32_t sum0 = Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22);
        const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
        const std::uint32_t t2 = sum0 + majority;
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    hash[0] += a;
    hash[1] += b;
    hash[2] += c;
    hash[3] += d;
    hash[4] += e;
    hash[5] += f;
    hash[6] += g;
    hash[7] += h;
}

}  // namespace

Sha256Digest Sha256(std::span<const std::uint8_t> data) {
    HashState hash = kInitialHash;

    // Absorb every whole block straight from the input.
    const std::size_t whole = data.size() / kBlockSize * kBlockSize;
    for (std::size_t offset = 0; offset < whole; offset += kBlockSize) {
        Compress(hash, data.subspan(offset).first<kBlockSize>());
    }

    // Padding (FIPS 180-4 5.1.1): the remaining bytes, 0x80, zeros, and the
    // message length in bits as a big-endian 64-bit number. The tail takes a
    // second block when fewer than 9 bytes are left after the remainder.
    std::array<std::uint8_t, 2 * kBlockSize> tail{};
    const std::size_t rest = data.size() - whole;
    for (std::size_t i = 0; i < rest; ++i) tail[i] = data[whole + i];
    tail[rest] = 0x80;
    const std::size_t tail_size = rest + 1 + kLengthFieldSize <= kBlockSize ? kBlockSize : 2 * kBlockSize;
    const std::uint64_t bit_length = static_cast<std::uint64_t>(data.size()) * 8;
    for (std::size_t i = 0; i < kLengthFieldSize; ++i) {
        tail[tail_size - 1 - i] = static_cast<std::uint8_t>(bit_length >> (8 * i));
    }
    for (std::size_t offset = 0; offset < tail_size; offset += kBlockSize) {
        Compress(hash, std::span<const std::uint8_t>(tail).subspan(offset).first<kBlockSize>());
    }

    Sha256Digest digest{};
    for (std::size_t i = 0; i < hash.size(); ++i) {
        digest[4 * i] = static_cast<std::uint8_t>(hash[i] >> 24);
        digest[4 * i + 1] = static_cast<std::uint8_t>(hash[i] >> 16);
        digest[4 * i + 2] = static_cast<std::uint8_t>(hash[i] >> 8);
        digest[4 * i + 3] = static_cast<std::uint8_t>(hash[i]);
    }
    return digest;
}

}  // namespace qx7::protocol
