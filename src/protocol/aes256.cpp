#include "protocol/aes256.h"

#include <climits>
#include <cstddef>

namespace qx7::protocol {
namespace {

constexpr int kRounds = 14;          // Nr for a 256-bit key
constexpr std::size_t kKeyWords = 8; // Nk
constexpr std::size_t kScheduleWords = 4 * (kRounds + 1);

using Block = std::array<std::uint8_t, kAesBlockSize>;
using ByteTable = std::array<std::uint8_t, 256>;

// Multiplication in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1 (FIPS-197 4.2).
constexpr std::uint8_t Mul(std::uint8_t a, std::uint8_t b) {
    std::uint8_t product = 0;
    while (b != 0) {
        if (b & 1) product ^= a;
        const bool carry = (a & 0x80) != 0;
        a = static_cast<std::uint8_t>(a << 1);
        if (carry) a ^= 0x1b;
        b >>= 1;
    }
    return product;
}

constexpr std::uint8_t RotateLeft(std::uint8_t v, int n) {
    return static_cast<std::uint8_t>((v << n) | (v >> (8 - n)));
}

// The multiplicative inverse in GF(2^8): every non-zero a has a^255 = 1, so
// a^-1 = a^254 (square-and-multiply). 0 maps to 0, as FIPS-197 requires.
constexpr std::uint8_t Inverse(std::uint8_t a) {
    std::uint8_t result = 1;
    for (int exponent = 254; exponent != 0; exponent >>= 1) {
        if (exponent & 1) result = Mul(result, a);
        a = Mul(a, a);
    }
    return result;
}

// The S-box of FIPS-197 5.1.1, derived rather than typed in: the
// multiplicative inverse followed by the affine transformation.
constexpr ByteTable MakeSBox() {
    ByteTable box{};
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t inverse = Inverse(static_cast<std::uint8_t>(x));
        box[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(
            inverse ^ RotateLeft(inverse, 1) ^ RotateLeft(inverse, 2) ^
            RotateLeft(inverse, 3) ^ RotateLeft(inverse, 4) ^ 0x63);
    }
    return box;
}

constexpr ByteTable MakeInverse(const ByteTable& box) {
    ByteTable inverse{};
    for (std::size_t x = 0; x < box.size(); ++x) inverse[box[x]] = static_cast<std::uint8_t>(x);
    return inverse;
}

constexpr ByteTable kSBox = MakeSBox();
constexpr ByteTable kInvSBox = MakeInverse(kSBox);
static_assert(kSBox[0x00] == 0x63 && kSBox[0x53] == 0xed && kSBox[0xff] == 0x16);
static_assert(kInvSBox[0x63] == 0x00 && kInvSBox[0xed] == 0x53);

// Round constants x^(i-1) for the key schedule; AES-256 uses the first seven.
constexpr std::array<std::uint8_t, 7> kRcon = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40};

// State byte (row r, column c) is block byte r + 4c, so each column is four
// consecutive bytes and round key word c lines up with column c.
constexpr std::size_t At(std::size_t row, std::size_t col) { return row + 4 * col; }

void AddRoundKey(Block& state, const std::array<std::uint8_t, 240>& keys, int round) {
    const std::size_t base = static_cast<std::size_t>(round) * kAesBlockSize;
    for (std::size_t i = 0; i < kAesBlockSize; ++i) state[i] ^= keys[base + i];
}

void SubBytes(Block& state, const ByteTable& box) {
    for (auto& b : state) b = box[b];
}

// Row r moves left by r columns (right by r for the inverse).
void ShiftRows(Block& state, bool inverse) {
    const Block old = state;
    for (std::size_t r = 1; r < 4; ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            const std::size_t shifted = (c + r) % 4;
            if (inverse) {
                state[At(r, shifted)] = old[At(r, c)];
            } else {
                state[At(r, c)] = old[At(r, shifted)];
            }
        }
    }
}

// Multiplies each column by the fixed polynomial; the coefficients are
// {02,03,01,01} for MixColumns and {0e,0b,0d,09} for InvMixColumns.
void MixColumns(Block& state, bool inverse) {
    const std::array<std::uint8_t, 4> coef =
        inverse ? std::array<std::uint8_t, 4>{0x0e, 0x0b, 0x0d, 0x09}
                : std::array<std::uint8_t, 4>{0x02, 0x03, 0x01, 0x01};
    for (std::size_t c = 0; c < 4; ++c) {
        const std::array<std::uint8_t, 4> col = {state[At(0, c)], state[At(1, c)],
                                                 state[At(2, c)], state[At(3, c)]};
        for (std::size_t r = 0; r < 4; ++r) {
            std::uint8_t v = 0;
            for (std::size_t k = 0; k < 4; ++k) v ^= Mul(coef[(k + 4 - r) % 4], col[k]);
            state[At(r, c)] = v;
        }
    }
}

enum class Direction { kEncrypt, kDecrypt };

// Shared by the run functions: checks the bounds before touching anything,
// then processes each block through a temporary so `out` may alias `in`.
int RunBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
              std::span<const std::uint8_t, kAes256KeySize> key, int length, Direction dir) {
    if (length <= 0) return 0;
    const std::size_t blocks = (static_cast<std::size_t>(length) + kAesBlockSize - 1) / kAesBlockSize;
    const std::size_t total = blocks * kAesBlockSize;
    // The byte count must be reportable as an int (length near INT_MAX rounds past it).
    if (total > static_cast<std::size_t>(INT_MAX)) return 0;
    if (in.size() < total || out.size() < total) return 0;

    const Aes256 cipher(key);
    Block block{};
    for (std::size_t offset = 0; offset < total; offset += kAesBlockSize) {
        for (std::size_t i = 0; i < kAesBlockSize; ++i) block[i] = in[offset + i];
        if (dir == Direction::kEncrypt) {
            cipher.EncryptBlock(block, block);
        } else {
            cipher.DecryptBlock(block, block);
        }
        for (std::size_t i = 0; i < kAesBlockSize; ++i) out[offset + i] = block[i];
    }
    return static_cast<int>(total);
}

}  // namespace

// Key expansion of FIPS-197 5.2 for Nk = 8: 60 four-byte words, word i stored
// at bytes 4i..4i+3, so round key r is bytes 16r..16r+15.
Aes256::Aes256(std::span<const std::uint8_t, kAes256KeySize> key) {
    for (std::size_t i = 0; i < kAes256KeySize; ++i) round_keys_[i] = key[i];
    for (std::size_t word = kKeyWords; word < kScheduleWords; ++word) {
        std::array<std::uint8_t, 4> temp = {round_keys_[4 * word - 4], round_keys_[4 * word - 3],
                                            round_keys_[4 * word - 2], round_keys_[4 * word - 1]};
        if (word % kKeyWords == 0) {
            // RotWord, SubWord, then the round constant on the first byte.
            temp = {kSBox[temp[1]], kSBox[temp[2]], kSBox[temp[3]], kSBox[temp[0]]};
            temp[0] ^= kRcon[word / kKeyWords - 1];
        } else if (word % kKeyWords == 4) {
            for (auto& b : temp) b = kSBox[b];
        }
        for (std::size_t i = 0; i < 4; ++i) {
            round_keys_[4 * word + i] =
                static_cast<std::uint8_t>(round_keys_[4 * (word - kKeyWords) + i] ^ temp[i]);
        }
    }
}

Aes256::~Aes256() {
    // Writes through a volatile pointer are observable, so the compiler
    // cannot drop them as stores to an object about to die.
    volatile std::uint8_t* keys = round_keys_.data();
    for (std::size_t i = 0; i < round_keys_.size(); ++i) keys[i] = 0;
}

void Aes256::EncryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                          std::span<std::uint8_t, kAesBlockSize> out) const {
    Block state{};
    for (std::size_t i = 0; i < kAesBlockSize; ++i) state[i] = in[i];
    AddRoundKey(state, round_keys_, 0);
    for (int round = 1; round < kRounds; ++round) {
        SubBytes(state, kSBox);
        ShiftRows(state, false);
        MixColumns(state, false);
        AddRoundKey(state, round_keys_, round);
    }
    SubBytes(state, kSBox);
    ShiftRows(state, false);
    AddRoundKey(state, round_keys_, kRounds);
    for (std::size_t i = 0; i < kAesBlockSize; ++i) out[i] = state[i];
}

void Aes256::DecryptBlock(std::span<const std::uint8_t, kAesBlockSize> in,
                          std::span<std::uint8_t, kAesBlockSize> out) const {
    Block state{};
    for (std::size_t i = 0; i < kAesBlockSize; ++i) state[i] = in[i];
    AddRoundKey(state, round_keys_, kRounds);
    for (int round = kRounds - 1; round >= 1; --round) {
        ShiftRows(state, true);
        SubBytes(state, kInvSBox);
        AddRoundKey(state, round_keys_, round);
        MixColumns(state, true);
    }
    ShiftRows(state, true);
    SubBytes(state, kInvSBox);
    AddRoundKey(state, round_keys_, 0);
    for (std::size_t i = 0; i < kAesBlockSize; ++i) out[i] = state[i];
}

int EncryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length) {
    return RunBlocks(out, in, key, length, Direction::kEncrypt);
}

int DecryptBlocks(std::span<std::uint8_t> out, std::span<const std::uint8_t> in,
                  std::span<const std::uint8_t, kAes256KeySize> key, int length) {
    return RunBlocks(out, in, key, length, Direction::kDecrypt);
}

void EncryptRecord320(std::span<std::uint8_t, kRecord320Size> out,
                      std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key) {
    RunBlocks(out, in, key, static_cast<int>(kRecord320Size), Direction::kEncrypt);
}

void DecryptRecord320(std::span<std::uint8_t, kRecord320Size> out,
                      std::span<const std::uint8_t, kRecord320Size> in,
                      std::span<const std::uint8_t, kAes256KeySize> key) {
    RunBlocks(out, in, key, static_cast<int>(kRecord320Size), Direction::kDecrypt);
}

}  // namespace qx7::protocol
