#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "strings/hex.h"
#include "protocol/aes256.h"
#include "protocol/sha256.h"

namespace qx7::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromHex(std::string_view hex) { return strings::FromHex(hex).value(); }

std::string ToHex(std::span<const std::uint8_t> bytes) { return strings::ToHex(bytes); }

Aes256Key KeyFromHex(std::string_view hex) {
    const Bytes bytes = FromHex(hex);
    Aes256Key key{};
    std::copy(bytes.begin(), bytes.end(), key.begin());
    return key;
}

// Deterministic filler so round trips run over data with no structure.
Bytes Pattern(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

using BlockFn = int (*)(std::span<std::uint8_t>, std::span<const std::uint8_t>,
                        std::span<const std::uint8_t, kAes256KeySize>, int);

struct RunFn {
    const char* name;
    BlockFn fn;
};
constexpr RunFn kRunFns[] = {{"EncryptBlocks", &EncryptBlocks}, {"DecryptBlocks", &DecryptBlocks}};

// ---------------------------------------------------------------- AES-256

TEST(Aes256Test, Fips197AppendixC3SingleBlock) {
    const Aes256 cipher(KeyFromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"));
    const Bytes plain = FromHex("00112233445566778899aabbccddeeff");
    const std::string expected = "8ea2b7ca516745bfeafc49904b496089";

    std::array<std::uint8_t, 16> block{};
    std::copy(plain.begin(), plain.end(), block.begin());
    std::array<std::uint8_t, 16> other{};
    cipher.EncryptBlock(block, other);
    EXPECT_EQ(ToHex(other), expected);
    cipher.DecryptBlock(other, block);
    EXPECT_EQ(ToHex(block), ToHex(plain));

    // The same block as input and output.
    cipher.EncryptBlock(block, block);
    EXPECT_EQ(ToHex(block), expected);
    cipher.DecryptBlock(block, block);
    EXPECT_EQ(ToHex(block), ToHex(plain));
}

struct KnownAnswer {
    const char* name;
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS-197 C.3, and the four-block ECB-AES256 example of NIST SP 800-38A F.1.5
// (a key without the sequential structure of C.3, over several blocks).
const KnownAnswer kKnownAnswers[] = {
    {"FIPS-197 C.3", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    {"SP 800-38A F.1.5", "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "6bc1bee22e409f96e93d7e117393172a" "ae2d8a571e03ac9c9eb76fac45af8e51"
     "30c81c46a35ce411e5fbc1191a0a52ef" "f69f2445df4f9b17ad2b417be66c3710",
     "f3eed1bdb5d2a03c064b5a7e3db181f8" "591ccb10d410ed26dc5ba74a31362870"
     "b6ed21b99ca6f4f9f153e7b1beafed1d" "23304b7a39f9f3ff067d8d8f9e24ecc7"},
};

TEST(AesBlocksTest, RunsMatchKnownAnswersSeparateAndInPlace) {
    for (const auto& kat : kKnownAnswers) {
        SCOPED_TRACE(kat.name);
        const Aes256Key key = KeyFromHex(kat.key);
        const Bytes plain = FromHex(kat.plain);
        const int length = static_cast<int>(plain.size());

        Bytes out(plain.size());
        EXPECT_EQ(EncryptBlocks(out, plain, key, length), length);
        EXPECT_EQ(ToHex(out), kat.cipher);
        Bytes back(plain.size());
        EXPECT_EQ(DecryptBlocks(back, out, key, length), length);
        EXPECT_EQ(back, plain);

        Bytes buffer = plain;
        EXPECT_EQ(EncryptBlocks(buffer, buffer, key, length), length);
        EXPECT_EQ(ToHex(buffer), kat.cipher);
        EXPECT_EQ(DecryptBlocks(buffer, buffer, key, length), length);
        EXPECT_EQ(buffer, plain);
    }
}

// A partial last block is processed whole: exactly ceil(length/16)*16 bytes
// are read and written, and nothing beyond. `in` is sized exactly to the
// rounded-up length so an over-read shows under AddressSanitizer.
TEST(AesBlocksTest, RoundsLengthUpToWholeBlocksAndStopsThere) {
    const Aes256Key key = KeyFromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const Aes256 reference(key);
    constexpr std::uint8_t kUntouched = 0xa5;
    const struct {
        int length;
        int processed;
    } cases[] = {{1, 16}, {16, 16}, {17, 32}, {20, 32}, {32, 32}};

    for (const auto& run : kRunFns) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(run.name) + " length " + std::to_string(c.length));
            const auto processed = static_cast<std::size_t>(c.processed);
            const Bytes in = Pattern(processed, static_cast<std::uint32_t>(c.length));
            Bytes out(processed + 16, kUntouched);

            EXPECT_EQ(run.fn(out, in, key, c.length), c.processed);
            for (std::size_t offset = 0; offset < processed; offset += 16) {
                std::array<std::uint8_t, 16> expected{};
                std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(offset), 16, expected.begin());
                if (run.fn == &EncryptBlocks) {
                    reference.EncryptBlock(expected, expected);
                } else {
                    reference.DecryptBlock(expected, expected);
                }
                EXPECT_EQ(ToHex(std::span(out).subspan(offset, 16)), ToHex(expected)) << "block at " << offset;
            }
            EXPECT_EQ(Bytes(out.begin() + c.processed, out.end()), Bytes(16, kUntouched));
        }
    }
}

TEST(AesBlocksTest, RejectedRunReturnsZeroAndWritesNothing) {
    const Aes256Key key{};
    constexpr std::uint8_t kUntouched = 0xa5;
    const struct {
        const char* name;
        int length;
        std::size_t in_size;
        std::size_t out_size;
    } cases[] = {
        {"zero length", 0, 32, 32},
        {"negative length", -1, 32, 32},
        {"most negative length", INT_MIN, 32, 32},
        {"input one byte short", 32, 31, 32},
        {"output one byte short", 32, 32, 31},
        // Spans cover `length` but not the whole block it rounds up to.
        {"partial block past both spans", 17, 17, 17},
        {"partial block past output", 20, 32, 20},
        // Rounds up past INT_MAX; the check must not overflow.
        {"length near INT_MAX", INT_MAX, 32, 32},
    };

    for (const auto& run : kRunFns) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(run.name) + ": " + c.name);
            const Bytes in = Pattern(c.in_size, 7);
            Bytes out(c.out_size, kUntouched);
            EXPECT_EQ(run.fn(out, in, key, c.length), 0);
            EXPECT_EQ(out, Bytes(c.out_size, kUntouched));
        }
    }
}

TEST(AesBlocksTest, DecryptInvertsEncryptForVariousKeysAndLengths) {
    Aes256Key random_key{};
    const Bytes random_bytes = Pattern(random_key.size(), 99);
    std::copy(random_bytes.begin(), random_bytes.end(), random_key.begin());
    Aes256Key ones{};
    ones.fill(0xff);
    const Aes256Key keys[] = {Aes256Key{}, ones, random_key};

    for (std::size_t k = 0; k < std::size(keys); ++k) {
        for (int length : {16, 48, 160, 288, 512}) {
            SCOPED_TRACE("key " + std::to_string(k) + " length " + std::to_string(length));
            const Bytes plain = Pattern(static_cast<std::size_t>(length), static_cast<std::uint32_t>(k * 1000 + 1));
            Bytes buffer(plain.size());
            ASSERT_EQ(EncryptBlocks(buffer, plain, keys[k], length), length);
            EXPECT_NE(buffer, plain);
            ASSERT_EQ(DecryptBlocks(buffer, buffer, keys[k], length), length);
            EXPECT_EQ(buffer, plain);
        }
    }
}

TEST(AesRecord320Test, ZeroRecordGivesTwentyIdenticalBlocksAndInverts) {
    const Aes256Key key = KeyFromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    std::array<std::uint8_t, 16> zero_block{};
    Aes256(key).EncryptBlock(zero_block, zero_block);

    const std::array<std::uint8_t, kRecord320Size> zeros{};
    std::array<std::uint8_t, kRecord320Size> cipher{};
    EncryptRecord320(cipher, zeros, key);
    for (std::size_t offset = 0; offset < kRecord320Size; offset += 16) {
        EXPECT_EQ(ToHex(std::span(cipher).subspan(offset, 16)), ToHex(zero_block)) << "block at " << offset;
    }

    std::array<std::uint8_t, kRecord320Size> back{};
    back.fill(0xa5);
    DecryptRecord320(back, cipher, key);
    EXPECT_EQ(back, zeros);
}

// With varied data every block differs, so a record that re-used one block's
// input or output, or stopped short of 320 bytes, would not match the run.
TEST(AesRecord320Test, MatchesA320ByteRunAndInverts) {
    const Aes256Key key = KeyFromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const Bytes plain = Pattern(kRecord320Size, 5);
    Bytes run(kRecord320Size);
    ASSERT_EQ(EncryptBlocks(run, plain, key, static_cast<int>(kRecord320Size)),
              static_cast<int>(kRecord320Size));

    std::array<std::uint8_t, kRecord320Size> in{};
    std::copy(plain.begin(), plain.end(), in.begin());
    std::array<std::uint8_t, kRecord320Size> cipher{};
    EncryptRecord320(cipher, in, key);
    EXPECT_EQ(Bytes(cipher.begin(), cipher.end()), run);

    std::array<std::uint8_t, kRecord320Size> back{};
    DecryptRecord320(back, cipher, key);
    EXPECT_EQ(back, in);
}

// ---------------------------------------------------------------- SHA-256

std::string Sha256Hex(std::string_view message) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message.data());
    return ToHex(Sha256(std::span(bytes, message.size())));
}

// The FIPS 180-4 examples, and the lengths around the padding boundary:
// 55 bytes is the most that fits one final block with its padding, 56 the
// least that needs a second, 64 a whole block followed by a padding-only one.
TEST(Sha256Test, KnownDigests) {
    const struct {
        const char* name;
        std::string message;
        const char* digest;
    } cases[] = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"two-block message", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"55 x a", std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {"56 x a", std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {"64 x a", std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {"million x a", std::string(1'000'000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Sha256Hex(c.message), c.digest);
    }
}

}  // namespace
}  // namespace qx7::protocol
