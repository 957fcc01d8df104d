#include <gtest/gtest.h>

#include "support/scripted_device.h"
#include "transport/command_blocks.h"

namespace qx7::transport {
namespace {

using test::FromHex;
using test::Hex;

std::string HexOf(const CommandBlock& block) { return Hex({block.bytes.begin(), block.bytes.begin() + block.length}); }

CommandTemplate TemplateWith(std::initializer_list<std::pair<int, std::uint8_t>> bytes) {
    CommandTemplate t{};
    for (auto [at, value] : bytes) t[static_cast<std::size_t>(at)] = value;
    return t;
}

struct GoldenBlock {
    const char* name;
    CommandBlock block;
    const char* expected;  // exactly the bytes sent, byte 0 first
};

TEST(CommandBlocks, EveryOperationMatchesItsGoldenBytes) {
    const CommandTemplate token = TemplateWith({{8, 0xA1}, {9, 0xB2}, {10, 0xC3}, {11, 0xD4}});
    // Bytes 0-5 of a template are the transport's own and must be ignored.
    CommandTemplate dirty = token;
    dirty[0] = 0xEE;
    dirty[3] = 0x99;
    dirty[5] = 0x77;
    const GoldenBlock cases[] = {
        {"id block", IdBlockCommand(), "3c015200000000000000"},
        {"state block", StateBlockCommand(), "3c015100000000000000"},
        {"inquiry", InquiryCommand(), "120000002400"},
        {"page 0x1000", MemoryPageCommand(0x1000), "3c012200001000000400"},
        {"page drops bits above 23", MemoryPageCommand(0xFF123456), "3c012200563412000400"},
        {"direct page 0x81000", MemoryPageDirectCommand(0x81000), "3c01c200001008000400"},
        {"system read 0x30 with token", SystemReadCommand(0x30, token, 160), "3c01ce30a0000000a1b2c3d400000000"},
        {"system read ignores template bytes 0-5", SystemReadCommand(0x01, dirty, 22),
         "3c01ce011600"
         "0000a1b2c3d400000000"},
        {"system read rfid template", SystemReadCommand(0x38, TemplateWith({{6, 0x13}, {7, 0x88}}), 19),
         "3c01ce381300138800000000"
         "00000000"},
        {"system read length low 16 bits", SystemReadCommand(0x32, {}, 0x10020), "3c01ce32200000000000000000000000"},
        {"system write is always 0x31", SystemWriteCommand(dirty, 288), "3b01cd3120010000a1b2c3d400000000"},
        {"pre-command for page 0x1000", PreCommandFor(MemoryPageCommand(0x1000)), "3b011022ef9d464d4c00"},
        {"pre-command for direct 0x81000", PreCommandFor(MemoryPageDirectCommand(0x81000)), "3b0110c2eff5464d4c00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexOf(c.block), c.expected) << c.name;
        // Nothing may leak past the declared length.
        for (std::size_t i = c.block.length; i < c.block.bytes.size(); ++i) {
            EXPECT_EQ(c.block.bytes[i], 0) << c.name << " byte " << i;
        }
    }
}

TEST(CommandBlocks, ChecksumMakesTheWordSumZero) {
    // Worked examples: the direct read's sum 0x10A11 wraps to 0x0A11.
    EXPECT_EQ(PreCommandChecksum(MemoryPageCommand(0x1000)), 0x9DEF);
    EXPECT_EQ(PreCommandChecksum(MemoryPageDirectCommand(0x81000)), 0xF5EF);

    // Only the first ten bytes count, and the words are read big-endian.
    const CommandBlock write = SystemWriteCommand(TemplateWith({{8, 0xFF}, {9, 0x01}, {10, 0x55}, {15, 0x66}}), 288);
    std::uint32_t sum = PreCommandChecksum(write);
    for (std::size_t i = 0; i < 10; i += 2) sum += write.bytes[i] << 8 | write.bytes[i + 1];
    EXPECT_EQ(sum & 0xFFFF, 0u);
    EXPECT_EQ(PreCommandChecksum(write), 0x10000 - ((0x3B01 + 0xCD31 + 0x2001 + 0x0000 + 0xFF01) & 0xFFFF));

    // A block whose words already sum to 0 mod 65536 gets checksum 0.
    CommandBlock zero;
    zero.length = 10;
    EXPECT_EQ(PreCommandChecksum(zero), 0);
}

}  // namespace
}  // namespace qx7::transport
