// Importing a file onto the record of the drive at hand: the window's import
// takes the file's record whole; the batch import keeps the drive's bytes
// that the form neither shows nor sets.

#include <gtest/gtest.h>

#include "editor/form_fixture.h"
#include "editor/password_policy.h"
#include "protocol/constants.h"

namespace qx7::editor::test {
namespace {

using namespace protocol;
using C = ControlId;

// What a drive holds: bits and bytes of its own in every field the form
// does not own, and the user-password flag.
SettingsRecord DriveRecord() {
    SettingsRecord r;
    r.policy_flags = kPolicyUserPassword | 0x100 | 0x800 | 0x80000000 | kPolicyKeyToneOff;
    r.reserved_4 = {1, 2, 3, 4};
    r.self_destruct_limit = 15;
    r.reserved_10 = {5, 6};
    r.min_password_length = 9;
    r.password_char_class = kClassNumeric;
    r.reserved_15 = 7;
    r.reserved_18 = 8;
    r.reserved_19 = 9;
    r.reserved_20 = {10, 11, 12, 13};
    r.auto_lock_delay = 30;
    r.reserved_26 = {14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    r.reserved_40 = {24, 25, 26, 27, 28, 29, 30, 31};
    return r;
}

// A file made without a drive: every byte the form does not own is zero.
storage::ConfigFilePayload PolicyFile() {
    storage::ConfigFilePayload p;
    p.change_mask = kChangeSettings;
    p.settings.policy_flags = kPolicySelfDestruct | kPolicyReadOnly | kPolicyCentrawatch | kPolicyCentrawatchAdmin;
    p.settings.self_destruct_limit = 25;
    p.settings.admin_language = 1;
    p.settings.user_language = 2;
    p.settings.min_password_length = 12;
    p.settings.auto_lock_delay = 120;
    p.settings.block_menu_mask = 0x1804;
    p.settings.setup_id = 0x0E050C0F;
    return p;
}

class ImportModeTest : public SettingsFormTest {
protected:
    // The drive is read, the file imported in `mode`, and the form gathered.
    SettingsRecord UploadAfterImport(ImportMode mode, const storage::ConfigFilePayload& file) {
        form.drive_settings() = DriveRecord();
        form.FillFormFromSettings(form.drive_settings());
        form.ApplyConfigPayload(file, mode);
        const auto gathered = Gather();
        EXPECT_TRUE(gathered);
        return gathered ? gathered->upload.settings : SettingsRecord{};
    }
};

TEST_F(ImportModeTest, KeepingTheDrivesBytesTakesOnlyWhatTheFormShowsOrSets) {
    const SettingsRecord sent = UploadAfterImport(ImportMode::KeepDriveBytes, PolicyFile());

    SettingsRecord expected = DriveRecord();
    // The file's switches replace the drive's (key tone back on); the drive
    // keeps its other bits, the user-password flag among them.
    expected.policy_flags = kPolicyUserPassword | 0x100 | 0x800 | 0x80000000 | kPolicySelfDestruct | kPolicyReadOnly |
                            kPolicyCentrawatch | kPolicyCentrawatchAdmin;
    expected.self_destruct_limit = 25;
    expected.active_language = 1;
    expected.admin_language = 1;
    expected.user_language = 2;
    expected.min_password_length = 12;
    expected.auto_lock_delay = 120;
    expected.block_menu_mask = 0x1804;
    expected.setup_id = 0x0E050C0F;
    EXPECT_EQ(sent, expected);
}

TEST_F(ImportModeTest, TheWindowsImportSendsTheFilesBytes) {
    const SettingsRecord sent = UploadAfterImport(ImportMode::ReplaceDriveSettings, PolicyFile());
    EXPECT_EQ(sent.policy_flags & (kPolicyUserPassword | 0x100 | 0x800), 0u);
    EXPECT_EQ(sent.password_char_class, 0);
    EXPECT_EQ(sent.reserved_4, (Bytes4{}));
    EXPECT_EQ(sent.reserved_19, 0);
}

TEST_F(ImportModeTest, APasswordTheFileSetsStillSetsTheFlagAndTheClass) {
    storage::ConfigFilePayload file = PolicyFile();
    file.change_mask |= kChangeUserPassword;
    const std::string user = "USERPASS1234";  // 12 characters, the file's minimum
    std::copy(user.begin(), user.end(), file.new_user_password.begin());
    form.drive_settings() = DriveRecord();
    form.drive_settings().policy_flags &= ~kPolicyUserPassword;

    form.FillFormFromSettings(form.drive_settings());
    form.ApplyConfigPayload(file, ImportMode::KeepDriveBytes);
    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_NE(gathered->upload.settings.policy_flags & kPolicyUserPassword, 0u);
    EXPECT_EQ(gathered->upload.settings.password_char_class, kClassAlpha);
    EXPECT_EQ(gathered->upload.settings.reserved_40, DriveRecord().reserved_40);
}

}  // namespace
}  // namespace qx7::editor::test
