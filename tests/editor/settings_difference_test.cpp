// The comparison shared by the dry run and the read-back: what it compares,
// what it leaves to the drive, and how it names values.

#include <gtest/gtest.h>

#include "editor/settings_difference.h"
#include "protocol/constants.h"

namespace {

using namespace qx7;
using editor::FieldChange;

TEST(SettingsDifference, NamesTheFieldsTheUploadDecidesAndLeavesTheDrivesOwnBytes) {
    protocol::SettingsRecord drive;
    drive.policy_flags = protocol::kPolicyStrongPassword;
    drive.self_destruct_limit = 10;
    drive.min_password_length = 8;
    drive.auto_lock_delay = 60;

    // Bytes the upload only carries over differ: no difference.
    protocol::SettingsRecord carried = drive;
    carried.reserved_4 = {1, 2, 3, 4};
    carried.reserved_19 = 7;
    carried.reserved_40[3] = 9;
    carried.policy_flags |= 0x800000;  // a bit nothing names
    EXPECT_TRUE(editor::SettingsDifference(drive, carried).empty());
    EXPECT_TRUE(editor::SettingsDifference(drive, drive).empty());

    protocol::SettingsRecord sent = drive;
    sent.policy_flags = protocol::kPolicyKeyToneOff | protocol::kPolicyVirtualCdOff | protocol::kPolicyCentrawatch |
                        protocol::kPolicyCentrawatchAdmin;
    sent.user_language = 9;  // no such language
    sent.block_menu_mask = 0x1804;
    sent.setup_id = 0x1A0C0B09;
    EXPECT_EQ(editor::SettingsDifference(drive, sent),
              (std::vector<FieldChange>{{"user_language", "English", "unknown (9)"},
                                        {"virtual_cd", "enable", "disable"},
                                        {"key_tone", "enable", "disable"},
                                        {"strong_password", "enable", "disable"},
                                        {"centrawatch", "disable", "enable"},
                                        {"centrawatch_admin_mode", "off", "on"},
                                        {"extended_options_mask", "0x0", "0x1804"},
                                        {"setup_id", "none", "2026-12-11-09"}}));
}

TEST(SettingsDifference, AnUploadListsOnlyWhatItsChangeMaskWrites) {
    protocol::SettingsRecord drive;
    drive.self_destruct_limit = 10;
    protocol::SettingsUpload upload;
    upload.settings = drive;
    upload.settings.self_destruct_limit = 30;
    upload.tag_count = 1;
    upload.tags[0].uid = {0x04, 0xA1};
    upload.tags[0].uid_length = 2;

    upload.change_mask = protocol::kChangeAdminPassword;  // the record is not written
    EXPECT_EQ(editor::UploadChanges(drive, upload),
              (std::vector<FieldChange>{{"admin_password", "(not readable)", "(new)"}}));
    upload.change_mask = protocol::kChangeSettings | protocol::kChangeRfidTags;
    EXPECT_EQ(
        editor::UploadChanges(drive, upload),
        (std::vector<FieldChange>{{"self_destruct_counter", "10", "30"}, {"rfid_tags", "(not readable)", "04 A1"}}));
}

}  // namespace
