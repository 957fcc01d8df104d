// The simulated firmware: refusals driven with hand-written command blocks,
// and the host's own operations run against it to show both sides agree.

#include "sim/firmware.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <sstream>

#include "protocol/channel.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "protocol/sha256.h"
#include "protocol/system_commands.h"
#include "sim/sim_session.h"
#include "support/scripted_device.h"
#include "transport/drive_commands.h"

namespace qx7::sim {
namespace {

using test::FromHex;
using test::Hex;
using transport::DataDirection;
using transport::ScsiResult;

// One command written as "<cdb hex> <none|in|out> <length>".
struct Exchange {
    ScsiResult result;
    std::vector<std::uint8_t> data;
};

Exchange Send(transport::ScsiDevice& device, const std::string& command) {
    std::istringstream in(command);
    std::string cdb_hex, direction;
    std::size_t length = 0;
    in >> cdb_hex >> direction >> length;
    const std::vector<std::uint8_t> cdb = FromHex(cdb_hex);
    transport::ScsiRequest request;
    std::copy(cdb.begin(), cdb.end(), request.cdb.begin());
    request.cdb_length = static_cast<std::uint8_t>(cdb.size());
    request.direction = direction == "in"    ? DataDirection::In
                        : direction == "out" ? DataDirection::Out
                                             : DataDirection::None;
    Exchange exchange;
    exchange.data.assign(length, 0);
    request.data = exchange.data;
    exchange.result = device.Execute(request);
    return exchange;
}

// The answer of 0x02: error code and failed command, as hex.
std::string LastError(transport::ScsiDevice& device) {
    const Exchange e = Send(device, "3c01ce02040000000000000000000000 in 4");
    EXPECT_TRUE(e.result.ok());
    return Hex({e.data[0], e.data[1]});
}

// A channel the tests know: key bytes 00..1f, token position 0 at index 5
// (token 05060708), position 1 at 9 (090a0b0c), position 4 at 0 (00010203).
void KnownChannel(FirmwareRuntime& runtime) {
    runtime.channel_keyed = true;
    std::iota(runtime.channel_key.begin(), runtime.channel_key.end(), std::uint8_t{0});
    runtime.token_index = {5, 9, 0, 0, 0};
}

struct Drive {
    explicit Drive(SimDrive drive = DefaultDrive(0)) : session(SimState{{std::move(drive)}}) {
        device = session.Open(0);
    }
    SimDrive& state() { return session.state().drives[0]; }
    SimSession session;
    std::unique_ptr<transport::ScsiDevice> device;
};

TEST(SimFirmware, RefusesWhatTheDriveRefuses) {
    // Hand-written blocks; each case also has a control that passes, so a
    // refusal is due to the one thing the case changes.
    const std::string page_read = "3c012200001000000400 in 1024";  // 0x22 at 0x1000
    const std::string announce_page = "3b011022ef9d464d4c00 none 0";
    struct Case {
        const char* what;
        std::vector<std::string> before;  // each must succeed
        std::string command;
        std::uint8_t status;
        const char* last_error;  // 0x02 afterwards: error code, failed command
    } cases[] = {
        // clang-format off
        {"announced page read", {announce_page}, page_read, 0, "0000"},
        {"page read without pre-command", {}, page_read, 2, "0000"},
        {"pre-command with a wrong checksum", {"3b011022ee9d464d4c00 none 0"}, page_read, 2, "0000"},
        {"pre-command naming another buffer id", {"3b0110c2ef9d464d4c00 none 0"}, page_read, 2, "0000"},
        {"a command between pre-command and page read", {announce_page, "120000002400 in 36"},
         page_read, 2, "0000"},
        {"announced page read used twice", {announce_page, page_read}, page_read, 2, "0000"},
        {"announced direct read at 0x81000", {"3b0110c2eff5464d4c00 none 0"},
         "3c01c200001008000400 in 1024", 0, "0000"},
        {"page length 2048", {"3b011022ef99464d4c00 none 0"},
         "3c012200001000000800 in 2048", 2, "0000"},
        {"page outside the configuration area", {"3b011022df9d464d4c00 none 0"},
         "3c012200002000000400 in 1024", 2, "0000"},
        {"settings read with its token", {},
         "3c01ce30a00000000506070800000000 in 160", 0, "0000"},
        {"settings read with the write's token", {},
         "3c01ce30a0000000090a0b0c00000000 in 160", 2, "1230"},
        {"settings read with the token in bytes 6-9", {},
         "3c01ce30a00005060708000000000000 in 160", 2, "1230"},
        {"channel check with its token", {},
         "3c01ce04200000000001020300000000 in 32", 0, "0000"},
        {"channel check without token", {},
         "3c01ce04200000000000000000000000 in 32", 2, "1204"},
        {"settings read, length field 148", {},
         "3c01ce30940000000506070800000000 in 148", 2, "1930"},
        {"settings read, field 160, transfer 148", {},
         "3c01ce30a00000000506070800000000 in 148", 2, "1930"},
        {"identity, 22 bytes", {}, "3c01ce01160000000000000000000000 in 22", 0, "0000"},
        {"identity, 16 bytes", {}, "3c01ce01100000000000000000000000 in 16", 2, "1901"},
        {"identity as data-out", {}, "3c01ce01160000000000000000000000 out 22", 2, "1101"},
        {"identity in a 10-byte block", {}, "3c01ce01160000000000 in 22", 2, "1101"},
        {"unknown system command", {}, "3c01ce33200000000000000000000000 in 32", 2, "1033"},
        {"settings write code on the read buffer", {},
         "3c01ce31200100000000000000000000 in 288", 2, "1031"},
        {"settings write without pre-command", {},
         "3b01cd3120010000090a0b0c00000000 out 288", 2, "1431"},
        {"unknown buffer id", {}, "3c015300000000000000 in 8", 2, "0000"},
        {"READ BUFFER in mode 2", {}, "3c025200000000000000 in 8", 2, "0000"},
        {"unknown operation code", {}, "28000000000000000100 in 512", 2, "0000"},
        {"id block, 8 bytes", {}, "3c015200000000000000 in 8", 0, "0000"},
        {"id block, 12 bytes", {}, "3c015200000000000000 in 12", 2, "0000"},
        {"pre-command for a buffer that needs none", {}, "3b011052dfa1464d4c00 none 0", 2, "0000"},
        {"pre-command without its letters", {}, "3b011022ef9d00000000 none 0", 2, "0000"},
        // clang-format on
    };
    for (const Case& c : cases) {
        Drive drive;
        KnownChannel(drive.session.runtime(0));
        for (const std::string& command : c.before) {
            ASSERT_TRUE(Send(*drive.device, command).result.ok()) << c.what << ": " << command;
        }
        const Exchange e = Send(*drive.device, c.command);
        EXPECT_TRUE(e.result.io_ok) << c.what;
        EXPECT_EQ(e.result.scsi_status, c.status) << c.what;
        if (c.status != 0) {
            EXPECT_EQ(e.result.transferred, 0u) << c.what;
        }
        EXPECT_EQ(LastError(*drive.device), c.last_error) << c.what;
    }
}

TEST(SimFirmware, SettingsWriteNeedsPreCommandWithItsChecksumAndToken) {
    // 3b 01 cd 31 20 01 00 00 09 0a: words sum to 0x1313d, checksum 0xcec3.
    const std::string write = "3b01cd3120010000090a0b0c00000000 out 288";
    Drive drive;
    KnownChannel(drive.session.runtime(0));
    ASSERT_TRUE(Send(*drive.device, "3b0110cdc3ce464d4c00 none 0").result.ok());
    // 288 zero bytes decipher to garbage: a wrong current password, so the
    // write got past the pre-command and token checks to the password.
    EXPECT_EQ(Send(*drive.device, write).result.scsi_status, 2);
    EXPECT_EQ(LastError(*drive.device), "1631");

    ASSERT_TRUE(Send(*drive.device, "3b0110cdc3cf464d4c00 none 0").result.ok());
    EXPECT_EQ(Send(*drive.device, write).result.scsi_status, 2);
    EXPECT_EQ(LastError(*drive.device), "1431");
}

TEST(SimFirmware, AnswersInquiryIdentityAndBlocksByteForByte) {
    SimDrive state = DefaultDrive(0);
    state.firmware = {2, 7};
    Drive drive(state);
    const Exchange inquiry = Send(*drive.device, "120000002400 in 36");
    ASSERT_TRUE(inquiry.result.ok());
    EXPECT_EQ(Hex(inquiry.data),
              "00000602"
              "1f000000"
              "4f5354524956414e"  // OSTRIVAN
              "51583720202020202020202020202020"
              "322e3037");  // QX7, 2.07
    EXPECT_EQ(Send(*drive.device, "120000001000 in 16").result.transferred, 16u);

    const Exchange identity = Send(*drive.device, "3c01ce01160000000000000000000000 in 22");
    EXPECT_EQ(Hex(identity.data),
              "0207230a1180"
              "51583753494d30303030303030303031");
    EXPECT_EQ(Hex(Send(*drive.device, "3c015200000000000000 in 8").data), "5158020100000000");
    EXPECT_EQ(Hex(Send(*drive.device, "3c015100000000000000 in 12").data), "010000000000000000000000");
}

TEST(SimFirmware, HostReadsAndWritesTheDriveThroughItsOwnOperations) {
    Drive drive;
    transport::ScsiDevice& device = *drive.device;
    protocol::ChannelKeys keys;
    std::u16string serial;
    ASSERT_TRUE(protocol::ReadIdentity(device, keys, serial));
    EXPECT_EQ(serial, u"QX7SIM0000000001");
    const protocol::ChannelOpenResult opened = protocol::OpenChannel(device, keys);
    ASSERT_TRUE(opened.channel_key && opened.token_index && opened.channel_check);
    const FirmwareRuntime& runtime = drive.session.runtime(0);
    EXPECT_EQ(keys.channel_key, runtime.channel_key);
    EXPECT_EQ(keys.token_index, runtime.token_index);
    EXPECT_EQ(keys.channel_check, runtime.channel_check);

    std::array<std::uint8_t, 148> settings{};
    ASSERT_TRUE(protocol::ReadSettings(device, keys, settings));
    EXPECT_TRUE(std::equal(drive.state().settings.begin(), drive.state().settings.end(), settings.begin()));
    std::array<std::uint8_t, 32> status{};
    ASSERT_TRUE(protocol::ReadStatus(device, status));
    EXPECT_EQ(status[0], 0x84);

    protocol::SettingsUpload upload;
    upload.change_mask = protocol::kChangeAdminPassword | protocol::kChangeUserPassword | protocol::kChangeSettings |
                         protocol::kChangeRfidTags;
    std::copy_n("QX7ADMIN", 8, upload.current_admin_password.begin());
    std::copy_n("NEWADMIN9", 9, upload.new_admin_password.begin());
    std::copy_n("USERPASS", 8, upload.new_user_password.begin());
    upload.settings = protocol::SettingsRecord::Decode(std::span(settings).first<52>());
    upload.settings.setup_id = 0x190C1F17;
    upload.tag_count = 1;
    upload.tags[0].uid = {0x04, 0xA1, 0xB2, 0xC3};
    upload.tags[0].uid_length = 4;
    ASSERT_TRUE(protocol::SecureWrite(device, upload.Encode(), protocol::kWriteSettingsWireLength, keys.channel_key,
                                      keys, protocol::kTokenWriteSettings));
    EXPECT_EQ(drive.state().admin_password, "NEWADMIN9");
    EXPECT_EQ(drive.state().user_password, "USERPASS");
    EXPECT_EQ(Hex({drive.state().settings.begin() + 48, drive.state().settings.end()}), "171f0c19");
    ASSERT_EQ(drive.state().tags.size(), 1u);
    EXPECT_EQ(Hex({drive.state().tags[0].begin(), drive.state().tags[0].end()}),
              "04a1b2c3000000000000000000000000"
              "040000");

    // Read back: the record, then the stored tags in the bytes after it.
    ASSERT_TRUE(protocol::ReadSettings(device, keys, settings));
    EXPECT_EQ(protocol::SettingsRecord::Decode(std::span(settings).first<52>()), upload.settings);
    EXPECT_EQ(Hex({settings.begin() + 52, settings.begin() + 58}), "0104a1b2c300");
    std::array<std::uint8_t, 4> last_error{};
    ASSERT_TRUE(protocol::ReadLastError(device, last_error));
    EXPECT_EQ(Hex({last_error.begin(), last_error.end()}), "00000000");

    std::array<std::uint8_t, 8> id_block{};
    ASSERT_TRUE(transport::ReadDeviceIdBlock(device, id_block));
    EXPECT_EQ(id_block, drive.state().id_block);
    std::array<std::uint8_t, 1024> page{};
    for (std::uint32_t address : {0x0000u, 0x0400u, 0x0800u, 0x0C00u}) {
        ASSERT_TRUE(transport::ReadMemoryPage(device, address, page)) << address;
    }
    EXPECT_TRUE(protocol::PageBanksDiffer(device));
}

TEST(SimFirmware, SettingsWriteOutcomes) {
    using protocol::kChangeAdminPassword;
    using protocol::kChangeRfidTags;
    using protocol::kChangeSettings;
    // The stored minimum password length is 8 (settings byte 16).
    struct Case {
        const char* what;
        UnlockMode mode;
        std::uint32_t wire_length;
        const char* current;
        std::uint32_t mask;
        const char* new_admin;
        std::uint8_t uploaded_minimum;
        std::uint8_t tag_count;
        const char* last_error;  // "" = accepted
    } cases[] = {
        {"accepted", UnlockMode::Admin, 288, "QX7ADMIN", kChangeAdminPassword, "NEWADMIN", 8, 0, ""},
        {"304 bytes on the wire", UnlockMode::Admin, 304, "QX7ADMIN", kChangeAdminPassword, "NEWADMIN", 8, 0, "1931"},
        {"unlocked with the user password", UnlockMode::User, 288, "QX7ADMIN", kChangeAdminPassword, "NEWADMIN", 8, 0,
         "1731"},
        {"wrong current password", UnlockMode::Admin, 288, "QX7ADMIX", kChangeAdminPassword, "NEWADMIN", 8, 0, "1631"},
        {"current password as a prefix", UnlockMode::Admin, 288, "QX7ADMI", 0, "", 8, 0, "1631"},
        {"empty new password", UnlockMode::Admin, 288, "QX7ADMIN", kChangeAdminPassword, "", 8, 0, "2031"},
        {"below the stored minimum", UnlockMode::Admin, 288, "QX7ADMIN", kChangeAdminPassword, "SHORT12", 7, 0, "2031"},
        {"below the minimum the write sets", UnlockMode::Admin, 288, "QX7ADMIN", kChangeAdminPassword | kChangeSettings,
         "LONGER123", 12, 0, "2031"},
        {"minimum lowered by the same write", UnlockMode::Admin, 288, "QX7ADMIN",
         kChangeAdminPassword | kChangeSettings, "SHORT12", 7, 0, ""},
        {"six tags", UnlockMode::Admin, 288, "QX7ADMIN", kChangeRfidTags, "", 8, 6, "1931"},
    };
    for (const Case& c : cases) {
        SimDrive state = DefaultDrive(0);
        state.mode = c.mode;
        Drive drive(state);
        protocol::ChannelKeys keys;
        std::u16string serial;
        ASSERT_TRUE(protocol::ReadIdentity(*drive.device, keys, serial));
        protocol::OpenChannel(*drive.device, keys);
        FirmwareRuntime& runtime = drive.session.runtime(0);
        runtime.error_code = 0x99;  // an earlier error, cleared by an accepted write
        runtime.failed_command = 0x99;

        protocol::SettingsUpload upload;
        upload.change_mask = c.mask;
        std::copy_n(c.current, std::strlen(c.current), upload.current_admin_password.begin());
        std::copy_n(c.new_admin, std::strlen(c.new_admin), upload.new_admin_password.begin());
        upload.settings = protocol::SettingsRecord::Decode(state.settings);
        upload.settings.min_password_length = c.uploaded_minimum;
        upload.tag_count = c.tag_count;
        const bool accepted = static_cast<bool>(protocol::SecureWrite(
            *drive.device, upload.Encode(), c.wire_length, keys.channel_key, keys, protocol::kTokenWriteSettings));
        EXPECT_EQ(accepted, std::string(c.last_error).empty()) << c.what;
        EXPECT_EQ(LastError(*drive.device), accepted ? "0000" : c.last_error) << c.what;
        EXPECT_EQ(drive.state().admin_password, accepted ? c.new_admin : "QX7ADMIN") << c.what;
        EXPECT_EQ(drive.state().settings[16], accepted && (c.mask & kChangeSettings) ? c.uploaded_minimum : 8)
            << c.what;
    }
}

TEST(SimFirmware, EveryChannelKeyIsFreshAndEndsTheOldTokens) {
    Drive drive;
    const std::string settings_read = "3c01ce30a00000000000000000000000 in 160";
    // No channel yet: protected commands are refused whatever they carry.
    EXPECT_EQ(Send(*drive.device, settings_read).result.scsi_status, 2);
    EXPECT_EQ(LastError(*drive.device), "1330");

    protocol::ChannelKeys keys;
    std::u16string serial;
    ASSERT_TRUE(protocol::ReadIdentity(*drive.device, keys, serial));
    protocol::OpenChannel(*drive.device, keys);
    const protocol::ChannelKeys first = keys;
    std::array<std::uint8_t, 148> settings{};
    ASSERT_TRUE(protocol::ReadSettings(*drive.device, first, settings));
    for (int i = 0; i < 20; ++i) {
        protocol::OpenChannel(*drive.device, keys);
        for (std::uint8_t index : keys.token_index) EXPECT_LE(index, 28);
    }
    EXPECT_NE(keys.channel_key, first.channel_key);
    std::ostringstream diagnostics;
    EXPECT_FALSE(protocol::ReadSettings(*drive.device, first, settings, &diagnostics));
    EXPECT_TRUE(protocol::ReadSettings(*drive.device, keys, settings, &diagnostics));
}

TEST(SimFirmware, StatusReportsAdminModeAndReader) {
    struct Case {
        UnlockMode mode;
        bool reader;
        std::uint8_t byte0;
    } cases[] = {{UnlockMode::Admin, true, 0x84},
                 {UnlockMode::Admin, false, 0x80},
                 {UnlockMode::User, true, 0x04},
                 {UnlockMode::Locked, false, 0x00}};
    for (const Case& c : cases) {
        SimDrive state = DefaultDrive(0);
        state.mode = c.mode;
        state.rfid_reader = c.reader;
        Drive drive(state);
        const Exchange e = Send(*drive.device, "3c01ce32200000000000000000000000 in 32");
        ASSERT_TRUE(e.result.ok());
        EXPECT_EQ(e.data[0], c.byte0);
        EXPECT_EQ(std::count(e.data.begin() + 1, e.data.end(), 0), 31);
    }
}

TEST(SimFirmware, LockedDriveAnswersOnlyWhatIdentifiesIt) {
    SimDrive state = DefaultDrive(0);
    state.mode = UnlockMode::Locked;
    Drive drive(state);
    for (const char* answered : {"120000002400 in 36", "3c015200000000000000 in 8", "3c015100000000000000 in 12",
                                 "3c01ce01160000000000000000000000 in 22"}) {
        EXPECT_TRUE(Send(*drive.device, answered).result.ok()) << answered;
    }
    std::array<std::uint8_t, 1024> page{};
    EXPECT_TRUE(transport::ReadMemoryPage(*drive.device, 0x0000, page));
    struct Refused {
        const char* command;
        const char* last_error;
    } refused[] = {{"3c01ce7e200000000000000000000000 in 32", "157e"},
                   {"3c01ce38130013880000000000000000 in 19", "1538"}};
    for (const Refused& r : refused) {
        EXPECT_EQ(Send(*drive.device, r.command).result.scsi_status, 2) << r.command;
        EXPECT_EQ(LastError(*drive.device), r.last_error);
    }
}

TEST(SimFirmware, TagReadTakesTheReaderQueueInOrder) {
    const std::string tag_read = "3c01ce38130013880000000000000000 in 19";
    Drive drive;
    EXPECT_EQ(Hex(Send(*drive.device, tag_read).data),
              "04a1b2c3000000000000000000000000"
              "040000");
    EXPECT_EQ(Hex(Send(*drive.device, tag_read).data),
              "04112233445566000000000000000000"
              "070000");
    EXPECT_TRUE(drive.state().reader_queue.empty());
    EXPECT_EQ(Send(*drive.device, tag_read).result.scsi_status, 2);
    EXPECT_EQ(LastError(*drive.device), "2238");

    SimDrive no_reader = DefaultDrive(0);
    no_reader.rfid_reader = false;
    Drive without(no_reader);
    EXPECT_EQ(Send(*without.device, tag_read).result.scsi_status, 2);
    EXPECT_EQ(LastError(*without.device), "2138");
    EXPECT_EQ(without.state().reader_queue.size(), 2u);
}

TEST(SimFirmware, MemoryFollowsIdBlockAndLanguageCount) {
    struct Case {
        std::uint8_t id_block_2;
        int languages;
        std::vector<std::uint32_t> readable;
        std::vector<std::uint32_t> refused;
        bool banks_differ;
    } cases[] = {
        {2, 6, {0x0000, 0x0400, 0x0800, 0x0C00, 0x1000, 0x81000}, {0x1400, 0x2000, 0x0200, 0x80000}, true},
        {1, 4, {0x1000, 0x1400, 0x1800, 0x1C00, 0x81000}, {0x0000, 0x0C00, 0x2000}, false},
        {0, 6, {0x1000, 0x1C00, 0x81000}, {0x0000}, true},
    };
    for (const Case& c : cases) {
        SimDrive state = DefaultDrive(0);
        state.id_block[2] = c.id_block_2;
        state.languages = c.languages;
        Drive drive(state);
        std::array<std::uint8_t, 1024> page{};
        for (std::uint32_t address : c.readable) {
            EXPECT_TRUE(transport::ReadMemoryPage(*drive.device, address, page)) << address;
            EXPECT_EQ(page, MemoryPage(state, address));
        }
        for (std::uint32_t address : c.refused) {
            EXPECT_FALSE(transport::ReadMemoryPage(*drive.device, address, page)) << address;
        }
        EXPECT_EQ(protocol::PageBanksDiffer(*drive.device), c.banks_differ) << c.languages;
    }
    // The content belongs to the drive: another device id, other bytes.
    EXPECT_EQ(MemoryPage(DefaultDrive(0), 0x0400), MemoryPage(DefaultDrive(0), 0x0400));
    EXPECT_NE(MemoryPage(DefaultDrive(0), 0x0400), MemoryPage(DefaultDrive(1), 0x0400));
    EXPECT_NE(MemoryPage(DefaultDrive(0), 0x0400), MemoryPage(DefaultDrive(0), 0x0800));
}

TEST(SimFirmware, FaultsFailMatchingCommandsBeforeTheFirmwareSeesThem) {
    SimDrive state = DefaultDrive(0);
    state.faults = {{{0x3C, 0x01, 0xCE, 0x38}, SimFault::Mode::Check, 1},
                    {{0x12}, SimFault::Mode::Io, -1},
                    {{0x3C, 0x01, 0x52, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, SimFault::Mode::Io, -1}};
    Drive drive(state);
    const std::string tag_read = "3c01ce38130013880000000000000000 in 19";

    const Exchange refused = Send(*drive.device, tag_read);
    EXPECT_TRUE(refused.result.io_ok);
    EXPECT_EQ(refused.result.scsi_status, 2);
    EXPECT_EQ(drive.state().reader_queue.size(), 2u);  // the firmware never saw it
    EXPECT_EQ(LastError(*drive.device), "0000");
    EXPECT_EQ(drive.state().faults[0].count, 0);
    EXPECT_TRUE(Send(*drive.device, tag_read).result.ok());  // spent
    EXPECT_EQ(drive.state().reader_queue.size(), 1u);

    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Send(*drive.device, "120000002400 in 36").result.io_ok);
    EXPECT_EQ(drive.state().faults[1].count, -1);
    // A prefix longer than the block matches nothing.
    EXPECT_TRUE(Send(*drive.device, "3c015200000000000000 in 8").result.ok());
}

TEST(SimFirmware, DevicesOnOneDriveShareItsFirmwareState) {
    Drive drive;
    std::unique_ptr<transport::ScsiDevice> second = drive.session.Open(0);
    ASSERT_TRUE(Send(*drive.device, "3b011022ef9d464d4c00 none 0").result.ok());
    EXPECT_TRUE(Send(*second, "3c012200001000000400 in 1024").result.ok());

    EXPECT_EQ(drive.session.Open(1), nullptr);
    drive.state().plugged = false;
    EXPECT_EQ(drive.session.Open(0), nullptr);
    EXPECT_FALSE(Send(*second, "120000002400 in 36").result.io_ok);
}

}  // namespace
}  // namespace qx7::sim
