#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/aes256.h"
#include "protocol/sha256.h"
#include "strings/hex.h"

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

// FIPS-197 C.3, the four-block ECB-AES256 example of NIST SP 800-38A F.1.5
// (a key without the sequential structure of C.3, over several blocks), and
// cases of the NIST CAVP AESAVS ECB files for 256-bit keys: a multi-block
// message test from each direction, and one each of the GFSbox, KeySbox,
// VarKey and VarTxt known-answer sets (all-zero and all-one keys and blocks).
const KnownAnswer kKnownAnswers[] = {
    {"FIPS-197 C.3", "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "00112233445566778899aabbccddeeff", "8ea2b7ca516745bfeafc49904b496089"},
    {"SP 800-38A F.1.5", "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
     "6bc1bee22e409f96e93d7e117393172a"
     "ae2d8a571e03ac9c9eb76fac45af8e51"
     "30c81c46a35ce411e5fbc1191a0a52ef"
     "f69f2445df4f9b17ad2b417be66c3710",
     "f3eed1bdb5d2a03c064b5a7e3db181f8"
     "591ccb10d410ed26dc5ba74a31362870"
     "b6ed21b99ca6f4f9f153e7b1beafed1d"
     "23304b7a39f9f3ff067d8d8f9e24ecc7"},
    {"ECBMMT256 encrypt 1", "7a52e4d342aa07255a7e7c34266cf7302abe2d4dd7ec4468a46187ee61825ffa",
     "7e771c6ee4b26db89050e982ba7e9803c8da34606434dd85d2910e538076d001",
     "a91d8b2ddf37520bc469470ad0dd6394923143ce55386beb1f9c4bd51584658e"},
    {"ECBMMT256 decrypt 2", "0d0ec1b61ebc5177c4513ef1d7d5bb97d06abaa2d33710a8eda6d3709acf0705",
     "f17733de8f763110ef4b305594936ca2bb75119ad65261be32ba919a2c3ef8b8f1c42f62b8474362e53ee7cc6c82a647",
     "c1c83fa3cd3d52524876e715bc28efe7c7c4256a139e9d2c874ea029bf56b792ba0606cdd39ddbbdf3b1874304d16d05"},
    {"ECBGFSbox256 0", "0000000000000000000000000000000000000000000000000000000000000000",
     "014730f80ac625fe84f026c60bfd547d", "5c9d844ed46f9885085e5d6a4f94c7d7"},
    {"ECBKeySbox256 0", "c47b0294dbbbee0fec4757f22ffeee3587ca4730c3d33b691df38bab076bc558",
     "00000000000000000000000000000000", "46f2fb342d6f0ab477476fc501242c5f"},
    {"ECBVarKey256 255", "ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff",
     "00000000000000000000000000000000", "4bf85f1b5d54adbc307b0a048389adcb"},
    {"ECBVarTxt256 127", "0000000000000000000000000000000000000000000000000000000000000000",
     "ffffffffffffffffffffffffffffffff", "acdace8078a32b1a182bfa4987ca1347"},
};

TEST(Aes256Test, SingleBlocksMatchKnownAnswers) {
    for (const auto& kat : kKnownAnswers) {
        SCOPED_TRACE(kat.name);
        const Aes256 cipher(KeyFromHex(kat.key));
        const Bytes plain = FromHex(kat.plain);
        const Bytes expected = FromHex(kat.cipher);
        for (std::size_t offset = 0; offset < plain.size(); offset += 16) {
            std::array<std::uint8_t, 16> block{};
            std::copy_n(plain.begin() + static_cast<std::ptrdiff_t>(offset), 16, block.begin());
            cipher.EncryptBlock(block, block);
            EXPECT_EQ(ToHex(block), ToHex(std::span(expected).subspan(offset, 16))) << "block at " << offset;
            cipher.DecryptBlock(block, block);
            EXPECT_EQ(ToHex(block), ToHex(std::span(plain).subspan(offset, 16))) << "block at " << offset;
        }
    }
}

// Output shifted against the input by part of a run, in both directions:
// every block is read before it is overwritten.
TEST(AesBlocksTest, PartlyOverlappingRunsGiveTheSeparateResult) {
    const Aes256Key key = KeyFromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    constexpr std::size_t kRun = 64;
    const Bytes plain = Pattern(kRun, 11);
    for (const auto& run : kRunFns) {
        Bytes expected(kRun);
        ASSERT_EQ(run.fn(expected, plain, key, static_cast<int>(kRun)), static_cast<int>(kRun));
        for (const std::size_t shift : {std::size_t{1}, std::size_t{16}, std::size_t{40}}) {
            SCOPED_TRACE(std::string(run.name) + " shift " + std::to_string(shift));
            Bytes forward(kRun + shift);  // output after the input
            std::copy(plain.begin(), plain.end(), forward.begin());
            EXPECT_EQ(run.fn(std::span(forward).subspan(shift), forward, key, static_cast<int>(kRun)),
                      static_cast<int>(kRun));
            EXPECT_EQ(Bytes(forward.begin() + static_cast<std::ptrdiff_t>(shift), forward.end()), expected);

            Bytes backward(kRun + shift);  // output before the input
            std::copy(plain.begin(), plain.end(), backward.begin() + static_cast<std::ptrdiff_t>(shift));
            EXPECT_EQ(run.fn(backward, std::span(backward).subspan(shift), key, static_cast<int>(kRun)),
                      static_cast<int>(kRun));
            EXPECT_EQ(Bytes(backward.begin(), backward.begin() + static_cast<std::ptrdiff_t>(kRun)), expected);
        }
    }
}

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
    ASSERT_EQ(EncryptBlocks(run, plain, key, static_cast<int>(kRecord320Size)), static_cast<int>(kRecord320Size));

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
// The same lengths, one byte and a 163-byte message from the NIST CAVP
// SHA256ShortMsg and SHA256LongMsg files, with data that is not one letter.
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

    const struct {
        const char* name;
        const char* message;
        const char* digest;
    } cavp[] = {
        {"ShortMsg Len 8", "d3", "28969cdfa74a12c82f3bad960b0b000aca2ac329deea5c2328ebc6f2ba9802c1"},
        {"ShortMsg Len 440",
         "3ebfb06db8c38d5ba037f1363e118550aad94606e26835a01af05078533cc25f2f39573c04b632f62f68c294ab31f2a3e2a1a0d8c2be5"
         "1",
         "6595a2ef537a69ba8583dfbf7f5bec0ab1f93ce4c8ee1916eff44a93af5749c4"},
        {"ShortMsg Len 448",
         "2d52447d1244d2ebc28650e7b05654bad35b3a68eedc7f8515306b496d75f3e73385dd1b002625024b81a02f2fd6dffb6e6d561cb7d0b"
         "d7a",
         "cfb88d6faf2de3a69d36195acec2e255e2af2b7d933997f348e09f6ce5758360"},
        {"ShortMsg Len 512",
         "5a86b737eaea8ee976a0a24da63e7ed7eefad18a101c1211e2b3650c5187c2a8"
         "a650547208251f6d4237e661c7bf4c77f335390394c37fa1a9f9be836ac28509",
         "42e61e174fbb3897d6dd6cef3dd2802fe67b331953b06114a65c772859dfc1aa"},
        {"LongMsg Len 1304",
         "451101250ec6f26652249d59dc974b7361d571a8101cdfd36aba3b5854d3ae086b5fdd4597721b66e3c0dc5d8c606d96"
         "57d0e323283a5217d1f53f2f284f57b85c8a61ac8924711f895c5ed90ef17745ed2d728abd22a5f7a13479a462d71b56"
         "c19a74a40b655c58edfe0a188ad2cf46cbf30524f65d423c837dd1ff2bf462ac4198007345bb44dbb7b1c861298cdf61"
         "982a833afc728fae1eda2f87aa2c9480858bec",
         "3c593aa539fdcdae516cdf2f15000f6634185c88f505b39775fb9ab137a10aa2"},
    };
    // An empty span carries no data pointer at all.
    EXPECT_EQ(ToHex(Sha256({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

    for (const auto& c : cavp) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ToHex(Sha256(FromHex(c.message))), c.digest);
    }
}

}  // namespace
}  // namespace qx7::protocol
