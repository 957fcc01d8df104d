#include <gtest/gtest.h>

#include "support/scripted_device.h"
#include "transport/pass_through_layout.h"

namespace qx7::transport {
namespace {

using test::FromHex;
using test::Hex;

std::vector<std::uint8_t> Slice(std::span<const std::uint8_t> bytes, std::size_t from, std::size_t n) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

// Header of a buffered data-in request for the settings read, written by
// hand from the field table: Length 44, status 0, path 0, target 1, lun 0,
// CdbLength 16, sense length 32, DataIn 1, padding, transfer 160, timeout
// 30, data offset 80, sense offset 48, then the 16 command bytes and padding.
constexpr const char* kSettingsReadHeader =
    "2c00"
    "00"
    "00"
    "01"
    "00"
    "10"
    "20"
    "01"
    "000000"
    "a0000000"
    "1e000000"
    "50000000"
    "30000000"
    "3c01ce30a0000000a1b2c3d400000000"
    "00000000";

TEST(PassThroughLayout, BufferedDataInRequest) {
    CommandTemplate tmpl{};
    tmpl[8] = 0xA1, tmpl[9] = 0xB2, tmpl[10] = 0xC3, tmpl[11] = 0xD4;
    const auto buffer = LayOutPassThrough(SystemReadCommand(0x30, tmpl, 160), DataDirection::In, 160);
    ASSERT_EQ(buffer.size(), 2128u);
    EXPECT_EQ(Hex(Slice(buffer, 0, 48)), kSettingsReadHeader);
    // Sense area and data area start cleared.
    EXPECT_EQ(Slice(buffer, 48, 2080), std::vector<std::uint8_t>(2080, 0));
}

TEST(PassThroughLayout, BufferedDataOutAndNoDataRequests) {
    std::vector<std::uint8_t> payload(288);
    for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<std::uint8_t>(i * 7);
    const auto write = LayOutPassThrough(SystemWriteCommand({}, 288), DataDirection::Out, 288, payload);
    EXPECT_EQ(Hex(Slice(write, 0, 48)),
              "2c000000010010200000000020010000"
              "1e0000005000000030000000"
              "3b01cd31200100000000000000000000"
              "00000000");
    EXPECT_EQ(Slice(write, 80, 288), payload);
    EXPECT_EQ(Slice(write, 368, 2128 - 368), std::vector<std::uint8_t>(2128 - 368, 0));

    const auto pre = LayOutPassThrough(PreCommandFor(MemoryPageCommand(0x1000)), DataDirection::None, 0);
    EXPECT_EQ(Hex(Slice(pre, 0, 48)),
              "2c0000000100"
              "0a20"
              "00000000"
              "00000000"
              "1e000000"
              "50000000"
              "30000000"
              "3b011022ef9d464d4c00000000000000"
              "00000000");
}

TEST(PassThroughLayout, OversizedRequestsAreNotLaidOut) {
    std::vector<std::uint8_t> payload(4096, 1);
    EXPECT_EQ(LayOutPassThrough(SystemWriteCommand({}, 2049), DataDirection::Out, 2049, payload), PassThroughBuffer{});
    EXPECT_EQ(LayOutPassThrough(SystemWriteCommand({}, 64), DataDirection::Out, 64, std::span(payload).first(10)),
              PassThroughBuffer{});
}

TEST(PassThroughLayout, DirectRequestCarriesTheDestinationAddress) {
    const auto direct = LayOutPassThroughDirect(MemoryPageDirectCommand(0x81000), 1024, 0x12345678);
    ASSERT_EQ(direct.size(), 80u);
    EXPECT_EQ(Hex(Slice(direct, 0, 48)),
              "2c0000000100"
              "0a20"
              "01000000"
              "00040000"
              "1e000000"
              "78563412"
              "30000000"
              "3c01c200001008000400000000000000"
              "00000000");
    EXPECT_EQ(Slice(direct, 48, 32), std::vector<std::uint8_t>(32, 0));
}

TEST(PassThroughLayout, AnswerIsReadFromTheReturnedHeader) {
    auto buffer = LayOutPassThrough(SystemReadCommand(0x02, {}, 4), DataDirection::In, 4);
    buffer[2] = 0x02;
    buffer[12] = 3;
    const auto answer = ReadPassThroughAnswer(buffer);
    EXPECT_EQ(answer.scsi_status, 0x02);
    EXPECT_EQ(answer.transferred, 3u);
    EXPECT_EQ(ReadPassThroughAnswer(std::span(buffer).first(10)).transferred, 0u);
}

}  // namespace
}  // namespace qx7::transport
