#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/scripted_device.h"
#include "transport/drive_commands.h"

namespace qx7::transport {
namespace {

using test::CheckCondition;
using test::FromHex;
using test::Good;
using test::Hex;
using test::IoError;
using test::ScriptedDevice;

// Fills a data-in request with 0xA5 over `transferred` bytes and reports it.
test::ScsiHandler AnswerIn(std::size_t transferred, std::uint8_t fill = 0xA5) {
    return [=](const ScsiRequest& r) {
        const std::size_t n = std::min(transferred, r.data.size());
        if (r.direction == DataDirection::In) std::fill_n(r.data.begin(), n, fill);
        return Good(n);
    };
}

TEST(DriveCommands, EveryRequestCarriesTheFixedTimeout) {
    ScriptedDevice device;
    std::array<std::uint8_t, 8> id{};
    std::array<std::uint8_t, 1024> page{};
    ReadDeviceIdBlock(device, id);
    ReadMemoryPage(device, 0x1000, page);
    ASSERT_EQ(device.commands.size(), 3u);
    for (const auto& c : device.commands) EXPECT_EQ(c.timeout_seconds, 30u);
}

TEST(DriveCommands, FixedReadsSendTheirBlockAndLength) {
    struct Case {
        const char* name;
        std::function<bool(ScsiDevice&)> run;
        const char* cdb;
        std::size_t length;
    };
    std::array<std::uint8_t, 8> id{};
    std::array<std::uint8_t, 12> state{};
    std::array<std::uint8_t, 36> inquiry{};
    const Case cases[] = {
        {"id", [&](ScsiDevice& d) { return ReadDeviceIdBlock(d, id); }, "3c015200000000000000", 8},
        {"state", [&](ScsiDevice& d) { return ReadDeviceStateBlock(d, state); }, "3c015100000000000000", 12},
        {"inquiry", [&](ScsiDevice& d) { return ScsiInquiry(d, inquiry); }, "120000002400", 36},
    };
    for (const auto& c : cases) {
        ScriptedDevice device(AnswerIn(1000));
        EXPECT_TRUE(c.run(device)) << c.name;
        ASSERT_EQ(device.commands.size(), 1u) << c.name;
        EXPECT_EQ(Hex(device.commands[0].cdb), c.cdb) << c.name;
        EXPECT_EQ(device.commands[0].direction, DataDirection::In) << c.name;
        EXPECT_EQ(device.commands[0].length, c.length) << c.name;
    }
    EXPECT_EQ(id[7], 0xA5);
    EXPECT_EQ(inquiry[35], 0xA5);
}

TEST(DriveCommands, ShortTransferCopiesOnlyWhatArrived) {
    ScriptedDevice device(AnswerIn(5));
    std::array<std::uint8_t, 12> state;
    state.fill(0x11);  // stale content must not survive
    ASSERT_TRUE(ReadDeviceStateBlock(device, state));
    EXPECT_EQ(Hex({state.begin(), state.end()}),
              "a5a5a5a5a5"
              "00000000000000");

    // A device that claims more than it was asked for is held to the length.
    ScriptedDevice liar([](const ScsiRequest& r) {
        std::fill(r.data.begin(), r.data.end(), 0x5A);
        return Good(1u << 20);
    });
    std::vector<std::uint8_t> out(40, 0x11);
    ASSERT_TRUE(SystemCommandRead(liar, 0x32, {}, 32, out));
    EXPECT_EQ(std::count(out.begin(), out.end(), 0x5A), 32);
    EXPECT_EQ(out[32], 0x11);
}

TEST(DriveCommands, FailedFixedReadsLeaveZeros) {
    for (auto failure : {IoError(), CheckCondition()}) {
        ScriptedDevice device([&](const ScsiRequest& r) {
            std::fill(r.data.begin(), r.data.end(), 0x77);  // garbage before failing
            return failure;
        });
        std::array<std::uint8_t, 8> id;
        id.fill(0x11);
        EXPECT_FALSE(ReadDeviceIdBlock(device, id));
        EXPECT_TRUE(std::all_of(id.begin(), id.end(), [](auto b) { return b == 0; }));
        std::array<std::uint8_t, 1024> page;
        page.fill(0x11);
        EXPECT_FALSE(ReadMemoryPageDirect(device, 0x1000, page));
        EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](auto b) { return b == 0; }));
    }
}

TEST(DriveCommands, AnnouncedCommandsFollowTheirPreCommand) {
    std::array<std::uint8_t, 1024> page{};
    const std::vector<std::uint8_t> payload(288, 0x42);
    struct Case {
        const char* name;
        std::function<bool(ScsiDevice&)> run;
        const char* pre;
        const char* cdb;
        DataDirection direction;
    };
    CommandTemplate token{};
    token[8] = 1;
    const Case cases[] = {
        {"page", [&](ScsiDevice& d) { return ReadMemoryPage(d, 0x1000, page); }, "3b011022ef9d464d4c00",
         "3c012200001000000400", DataDirection::In},
        {"direct page", [&](ScsiDevice& d) { return ReadMemoryPageDirect(d, 0x81000, page); }, "3b0110c2eff5464d4c00",
         "3c01c200001008000400", DataDirection::In},
        {"system write", [&](ScsiDevice& d) { return SystemCommandWrite(d, token, 288, payload); },
         // 0x3B01 + 0xCD31 + 0x2001 + 0x0000 + 0x0100 -> sum 0x12933, checksum 0xD6CD
         "3b0110cdcdd6464d4c00", "3b01cd31200100000100000000000000", DataDirection::Out},
    };
    for (const auto& c : cases) {
        ScriptedDevice device;
        EXPECT_TRUE(c.run(device)) << c.name;
        ASSERT_EQ(device.commands.size(), 2u) << c.name;
        EXPECT_EQ(Hex(device.commands[0].cdb), c.pre) << c.name;
        EXPECT_EQ(device.commands[0].direction, DataDirection::None) << c.name;
        EXPECT_EQ(device.commands[0].length, 0u) << c.name;
        EXPECT_EQ(Hex(device.commands[1].cdb), c.cdb) << c.name;
        EXPECT_EQ(device.commands[1].direction, c.direction) << c.name;
    }
}

TEST(DriveCommands, FailedPreCommandAbortsTheAnnouncedCommand) {
    for (auto failure : {IoError(), CheckCondition()}) {
        ScriptedDevice device([&](const ScsiRequest&) { return failure; });
        std::array<std::uint8_t, 1024> page{};
        const std::vector<std::uint8_t> payload(288, 1);
        EXPECT_FALSE(ReadMemoryPage(device, 0x1000, page));
        EXPECT_FALSE(ReadMemoryPageDirect(device, 0x1000, page));
        EXPECT_FALSE(SystemCommandWrite(device, {}, 288, payload));
        EXPECT_EQ(device.commands.size(), 3u) << "only the three pre-commands were sent";
    }
}

TEST(DriveCommands, DriveRefusingTheAnnouncedCommandLeavesAZeroPage) {
    ScriptedDevice device([](const ScsiRequest& r) {
        if (r.cdb[0] == 0x3B) return Good(0);
        std::fill(r.data.begin(), r.data.end(), 0x99);
        return CheckCondition();
    });
    std::array<std::uint8_t, 1024> page;
    page.fill(0x11);
    EXPECT_FALSE(ReadMemoryPage(device, 0x1000, page));
    EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](auto b) { return b == 0; }));
}

TEST(DriveCommands, SystemReadLeavesOutputUntouchedOnFailure) {
    ScriptedDevice device([](const ScsiRequest& r) {
        std::fill(r.data.begin(), r.data.end(), 0x99);
        return CheckCondition();
    });
    std::vector<std::uint8_t> out(4, 0x11);
    EXPECT_FALSE(SystemCommandRead(device, 0x02, {}, 4, out));
    EXPECT_EQ(Hex(out), "11111111");
}

TEST(DriveCommands, SystemWriteSendsExactlyTheCallersBytes) {
    ScriptedDevice device;
    std::vector<std::uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    ASSERT_TRUE(SystemCommandWrite(device, {}, 288, data));
    ASSERT_EQ(device.commands.size(), 2u);
    EXPECT_EQ(device.commands[1].data_out, std::vector<std::uint8_t>(data.begin(), data.begin() + 288));
}

TEST(DriveCommands, OversizedOrOverrunningLengthsAreRefusedUnsent) {
    ScriptedDevice device;
    std::vector<std::uint8_t> big(4096);
    std::vector<std::uint8_t> small(16);
    EXPECT_FALSE(SystemCommandRead(device, 0x30, {}, 2049, big));
    EXPECT_FALSE(SystemCommandRead(device, 0x30, {}, 32, small));
    EXPECT_FALSE(SystemCommandWrite(device, {}, 2049, big));
    EXPECT_FALSE(SystemCommandWrite(device, {}, 32, small));
    EXPECT_TRUE(device.commands.empty());
    EXPECT_TRUE(SystemCommandRead(device, 0x30, {}, 2048, big));
}

}  // namespace
}  // namespace qx7::transport
