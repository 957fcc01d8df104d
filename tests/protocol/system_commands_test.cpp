#include <gtest/gtest.h>

#include <sstream>

#include "protocol/aes256.h"
#include "protocol/constants.h"
#include "protocol/drive_messages.h"
#include "protocol/sha256.h"
#include "protocol/system_commands.h"
#include "support/scripted_device.h"

namespace qx7::protocol {
namespace {

using strings::Language;
using test::CheckCondition;
using test::FromHex;
using test::Good;
using test::Hex;
using test::ScriptedDevice;
using transport::ScsiRequest;

test::ScsiHandler AnswerBytes(std::vector<std::uint8_t> bytes) {
    return [bytes](const ScsiRequest& r) {
        const std::size_t n = std::min(bytes.size(), r.data.size());
        std::copy_n(bytes.begin(), n, r.data.begin());
        return Good(n);
    };
}

TEST(ReadIdentity, AcceptsOnlyQx7UsbIds) {
    const std::string device_id = "5158373030303132333435363738397f";  // "QX70001234567897\x7f"
    struct Case {
        const char* ids;
        bool accepted;
    } cases[] = {{"230a1180", true}, {"230a1181", true}, {"230a1182", false}, {"0a231180", false}, {"230b1180", false}};
    for (const auto& c : cases) {
        ScriptedDevice device(AnswerBytes(FromHex(std::string("0102") + c.ids + device_id)));
        ChannelKeys keys;
        keys.id_key.fill(0xEE);
        std::u16string serial = u"earlier";
        EXPECT_EQ(ReadIdentity(device, keys, serial), c.accepted) << c.ids;
        EXPECT_EQ(Hex(device.commands.at(0).cdb), "3c01ce01160000000000000000000000");
        if (c.accepted) {
            EXPECT_EQ(serial.size(), 16u);
            EXPECT_EQ(serial.substr(0, 4), u"QX70");
            EXPECT_EQ(serial[15], u'\x7f');
            EXPECT_EQ(keys.id_key, Sha256(FromHex(device_id)));
        } else {
            EXPECT_EQ(serial, u"earlier") << c.ids;
            EXPECT_EQ(keys.id_key[0], 0xEE) << c.ids;
        }
    }
}

TEST(ReadIdentity, SerialKeepsHighBytesAsCodePoints) {
    ScriptedDevice device(AnswerBytes(FromHex("0000230a1180ff80000102030405060708090a0b0c0d")));
    ChannelKeys keys;
    std::u16string serial;
    ASSERT_TRUE(ReadIdentity(device, keys, serial));
    EXPECT_EQ(serial[0], char16_t{0xFF});
    EXPECT_EQ(serial[1], char16_t{0x80});
    EXPECT_EQ(serial[2], char16_t{0});
}

TEST(ReadSettings, UsesTokenZeroAndReportsFailureOnTheDiagnosticStream) {
    ChannelKeys keys;
    for (std::size_t i = 0; i < 32; ++i) keys.channel_key[i] = static_cast<std::uint8_t>(i);
    keys.token_index[0] = 5;
    std::vector<std::uint8_t> plain(160, 0x61);
    ScriptedDevice device([&](const ScsiRequest& r) {
        EncryptBlocks(r.data, plain, keys.channel_key, 160);
        return Good(160);
    });
    std::array<std::uint8_t, 148> out{};
    std::ostringstream diagnostics;
    ASSERT_TRUE(ReadSettings(device, keys, out, &diagnostics));
    EXPECT_EQ(Hex(device.commands[0].cdb),
              "3c01ce30a000000005060708"
              "00000000");
    EXPECT_EQ(out[147], 0x61);
    EXPECT_TRUE(diagnostics.str().empty());

    ScriptedDevice refusing([](const ScsiRequest&) { return CheckCondition(); });
    out.fill(0x22);
    EXPECT_FALSE(ReadSettings(refusing, keys, out, &diagnostics));
    EXPECT_EQ(out[0], 0x22);
    EXPECT_EQ(diagnostics.str(), "Error get QX7 system Setup !, Please check QX7 F/W Version or H/W.\n");

    // A token index past the key: the read fails without being sent.
    keys.token_index[0] = 29;
    ScriptedDevice unsent;
    EXPECT_FALSE(ReadSettings(unsent, keys, out, &diagnostics));
    EXPECT_TRUE(unsent.commands.empty());
}

TEST(PlainQueries, StatusAndLastErrorLeaveTheirBufferOnFailure) {
    ScriptedDevice device(AnswerBytes(FromHex("8400000000000000000000000000000000000000000000000000000000000000")));
    std::array<std::uint8_t, 32> status{};
    ASSERT_TRUE(ReadStatus(device, status));
    EXPECT_EQ(status[0], 0x84);
    EXPECT_EQ(Hex(device.commands[0].cdb), "3c01ce32200000000000000000000000");

    ScriptedDevice refusing([](const ScsiRequest&) { return CheckCondition(); });
    std::array<std::uint8_t, 4> error{};
    EXPECT_FALSE(ReadLastError(refusing, error));
    EXPECT_EQ(error, (std::array<std::uint8_t, 4>{}));
    EXPECT_EQ(Hex(refusing.commands[0].cdb), "3c01ce02040000000000000000000000");

    // The tag read carries 5000, high byte first, in template bytes 6 and 7.
    ScriptedDevice reader(
        AnswerBytes(FromHex("04a1b2c3000000000000000000000000"
                            "04"
                            "0000")));
    std::array<std::uint8_t, 19> tag{};
    ASSERT_TRUE(ReadRfidTag(reader, tag));
    EXPECT_EQ(Hex(reader.commands[0].cdb), "3c01ce38130013880000000000000000");
    EXPECT_EQ(tag[16], 4);
    std::array<std::uint8_t, 19> kept;
    kept.fill(0x11);
    EXPECT_FALSE(ReadRfidTag(refusing, kept));
    EXPECT_EQ(kept[0], 0x11);
}

TEST(PageBanksDiffer, ComparesTheTwoBanksWordByWord) {
    struct Case {
        const char* name;
        bool first_ok, second_ok;
        std::uint8_t second_fill;
        bool differ;
    } cases[] = {
        {"equal banks", true, true, 0x11, false},
        {"different banks", true, true, 0x12, true},
        {"both reads fail", false, false, 0x12, false},
        {"second read fails", true, false, 0x11, true},
    };
    for (const auto& c : cases) {
        ScriptedDevice device([&](const ScsiRequest& r) {
            if (r.cdb[0] == 0x3B) return Good(0);
            const bool second = r.cdb[6] == 0x08;
            if (!(second ? c.second_ok : c.first_ok)) return CheckCondition();
            std::fill(r.data.begin(), r.data.end(), second ? c.second_fill : std::uint8_t{0x11});
            return Good(r.data.size());
        });
        EXPECT_EQ(PageBanksDiffer(device), c.differ) << c.name;
        ASSERT_EQ(device.commands.size(), 4u) << c.name;
        EXPECT_EQ(Hex(device.commands[1].cdb), "3c01c200001000000400") << c.name;
        EXPECT_EQ(Hex(device.commands[3].cdb), "3c01c200001008000400") << c.name;
    }
}

TEST(DriveMessages, UploadRefusalsMapToMessageAndFocus) {
    struct Case {
        std::uint8_t code, command;
        const char16_t* text;
        ErrorFocus focus;
    } cases[] = {
        {0x16, 0x31, u"Incorrect current admin password is entered.", ErrorFocus::CurrentPassword},
        {0x17, 0x31,
         u"The QX7 device is connected with the User's password!\nPlease reconnect QX7 using the "
         u"Administrator's password.",
         ErrorFocus::Rescan},
        {0x19, 0x31, u"Incorrect parameter size. Please contact Ostrivance support team.", ErrorFocus::Exit},
        {0x20, 0x31, u"Incorrect admin password is entered.", ErrorFocus::Unchanged},
        {0x21, 0x31, u"QX7 Invalid Error code !, Cmd = 31, Err Code = 33", ErrorFocus::Unchanged},
        {0x16, 0x30, u"QX7 System Error !, Cmd = 30, Err Code = 22", ErrorFocus::Unchanged},
        {0, 0, u"QX7 System Error !, Cmd = 0, Err Code = 0", ErrorFocus::Unchanged},  // query failed
    };
    for (const auto& c : cases) {
        LastError error;
        error.error_code = c.code;
        error.failed_command = c.command;
        const DriveMessage message = UploadFailureMessage(error, Language::English);
        EXPECT_EQ(message.text, c.text) << int(c.code);
        EXPECT_EQ(message.focus, c.focus) << int(c.code);
    }
    LastError user_mode;
    user_mode.error_code = 0x17;
    user_mode.failed_command = 0x31;
    EXPECT_NE(UploadFailureMessage(user_mode, Language::Korean).text,
              UploadFailureMessage(user_mode, Language::English).text);
}

TEST(DriveMessages, SetupIdentifierText) {
    EXPECT_EQ(SetupIdText(0x0E0C1F17, Language::English), u"2014-12-31-23");
    EXPECT_EQ(SetupIdText(MakeSetupId(2026, 12, 10, 4), Language::English), u"2026-12-10-04");
    EXPECT_EQ(SetupIdText(0, Language::English), u"No Previous Setup ID");
    EXPECT_EQ(SetupIdText(0xFFFFFFFF, Language::English), u"2255-255-255-255");
    EXPECT_EQ(SystemCommandFailureText(0x7E), u"Error !, QX7 System Command : 7E");
}

}  // namespace
}  // namespace qx7::protocol
