// Record codecs against fixtures written by hand from the field tables: each
// field holds a distinct value so that a swapped, shifted or mis-sized field
// shows up as a wrong byte.

#include <gtest/gtest.h>

#include "protocol/constants.h"
#include "protocol/records.h"
#include "support/scripted_device.h"

namespace qx7::protocol {
namespace {

using test::FromHex;
using test::Hex;

template <std::size_t N>
std::array<std::uint8_t, N> Fixture(const std::string& hex) {
    const auto bytes = FromHex(hex);
    EXPECT_EQ(bytes.size(), N) << "fixture size";
    std::array<std::uint8_t, N> out{};
    std::copy_n(bytes.begin(), std::min(N, bytes.size()), out.begin());
    return out;
}

template <std::size_t N>
std::string HexOf(const std::array<std::uint8_t, N>& bytes) {
    return Hex({bytes.begin(), bytes.end()});
}

const std::string kSettingsHex =
    "a5040001"  //  0 policy_flags 0x010004A5
    "11121314"  //  4 reserved_4
    "2301"      //  8 self_destruct_limit 0x0123
    "1516"      // 10 reserved_10
    "02"
    "03"
    "04"
    "17"  // 12 active, admin, user language, reserved_15
    "08"
    "7e"
    "18"
    "19"                    // 16 min length, char class, reserved_18, reserved_19
    "1a1b1c1d"              // 20 reserved_20
    "b400"                  // 24 auto_lock_delay 180
    "20212223242526272829"  // 26 reserved_26
    "94180000"              // 36 block_menu_mask 0x1894
    "3031323334353637"      // 40 reserved_40
    "171f0c0e";             // 48 setup_id 0x0E0C1F17

SettingsRecord ExpectedSettings() {
    SettingsRecord s;
    s.policy_flags = 0x010004A5;
    s.reserved_4 = {0x11, 0x12, 0x13, 0x14};
    s.self_destruct_limit = 0x0123;
    s.reserved_10 = {0x15, 0x16};
    s.active_language = 2;
    s.admin_language = 3;
    s.user_language = 4;
    s.reserved_15 = 0x17;
    s.min_password_length = 8;
    s.password_char_class = 0x7E;
    s.reserved_18 = 0x18;
    s.reserved_19 = 0x19;
    s.reserved_20 = {0x1a, 0x1b, 0x1c, 0x1d};
    s.auto_lock_delay = 180;
    s.reserved_26 = {0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29};
    s.block_menu_mask = 0x1894;
    s.reserved_40 = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37};
    s.setup_id = 0x0E0C1F17;
    return s;
}

TEST(Records, SettingsRecordFieldsSitAtTheirOffsets) {
    const auto bytes = Fixture<52>(kSettingsHex);
    EXPECT_EQ(SettingsRecord::Decode(bytes), ExpectedSettings());
    EXPECT_EQ(HexOf(ExpectedSettings().Encode()), kSettingsHex);
}

TEST(Records, DriveIdentityHasBigEndianUsbIds) {
    const std::string hex =
        "0102"
        "230a"
        "1181"
        "534e303132333435363738394142cdff";
    const DriveIdentity id = DriveIdentity::Decode(Fixture<22>(hex));
    EXPECT_EQ(id.firmware_major, 1);
    EXPECT_EQ(id.firmware_minor, 2);
    EXPECT_EQ(id.usb_vendor_id, kQx7VendorId);
    EXPECT_EQ(id.usb_product_id, kQx7FipsProductId);
    EXPECT_EQ(id.device_id[0], 'S');
    EXPECT_EQ(id.device_id[15], 0xFF);
    EXPECT_EQ(HexOf(id.Encode()), hex);
}

TEST(Records, SmallPlainAnswers) {
    const LastError error = LastError::Decode(Fixture<4>("1631aabb"));
    EXPECT_EQ(error.error_code, 0x16);
    EXPECT_EQ(error.failed_command, 0x31);
    EXPECT_EQ(HexOf(error.Encode()), "1631aabb");

    const std::string status_hex = "84" + std::string(60, '0') + "5a";
    for (auto [flags, admin, rfid] :
         {std::tuple{0x84, true, true}, {0x80, true, false}, {0x04, false, true}, {0x7B, false, false}}) {
        auto bytes = Fixture<32>(status_hex);
        bytes[0] = static_cast<std::uint8_t>(flags);
        const DriveStatus status = DriveStatus::Decode(bytes);
        EXPECT_EQ(status.admin_unlocked(), admin) << flags;
        EXPECT_EQ(status.rfid_supported(), rfid) << flags;
        EXPECT_EQ(status.Encode(), bytes);
    }

    const std::string tag_hex =
        "000102030405060708090a0b0c0d0e0f"
        "07"
        "c1c2";
    const RfidTag tag = RfidTag::Decode(Fixture<19>(tag_hex));
    EXPECT_EQ(tag.uid[15], 0x0f);
    EXPECT_EQ(tag.uid_length, 7);
    EXPECT_EQ(tag.reserved_17[1], 0xc2);
    EXPECT_EQ(HexOf(tag.Encode()), tag_hex);
}

TEST(Records, SettingsUploadPacksEveryBlockInPlace) {
    auto pad32 = [](const std::string& ascii_hex) { return ascii_hex + std::string(64 - ascii_hex.size(), '0'); };
    const std::string tag1 =
        "a1a2a3a4000000000000000000000000"
        "04"
        "0000";
    const std::string tag2 =
        "b1b2b3b4b5b6b7000000000000000000"
        "07"
        "0102";
    const std::string hex = "00e00100"                                 //   0 change_mask 0x1E000
                            + pad32("61646d696e313233")                //   4 "admin123"
                            + pad32("4e657741646d696e21")              //  36 "NewAdmin!"
                            + pad32("7573657231")                      //  68 "user1"
                            + std::string(64, '0')                     // 100 reserved
                            + kSettingsHex                             // 132 settings
                            + "02"                                     // 184 tag_count
                            + tag1 + tag2 + std::string(3 * 38, '0');  // 185 tags
    const auto bytes = Fixture<280>(hex);
    const SettingsUpload upload = SettingsUpload::Decode(bytes);
    EXPECT_EQ(upload.change_mask, kChangeAdminPassword | kChangeUserPassword | kChangeRfidTags | kChangeSettings);
    EXPECT_EQ(upload.current_admin_password[7], '3');
    EXPECT_EQ(upload.current_admin_password[8], 0);
    EXPECT_EQ(upload.new_admin_password[8], '!');
    EXPECT_EQ(upload.new_user_password[4], '1');
    EXPECT_EQ(upload.settings, ExpectedSettings());
    EXPECT_EQ(upload.tag_count, 2);
    EXPECT_EQ(upload.tags[1].uid_length, 7);
    EXPECT_EQ(upload.tags[1].reserved_17[1], 0x02);
    EXPECT_EQ(upload.tags[2], RfidTag{});
    EXPECT_EQ(HexOf(upload.Encode()), hex);
}

}  // namespace
}  // namespace qx7::protocol
