// Filling the form from a settings record, gathering it into an upload and
// a configuration file, and applying an imported file.

#include <gtest/gtest.h>

#include "editor/form_fixture.h"
#include "editor/password_policy.h"
#include "protocol/constants.h"

namespace qx7::editor::test {
namespace {

using namespace protocol;
using C = ControlId;

// A record whose every byte the form does not own is set, so that a field
// lost or overwritten on its way to the upload shows up.
SettingsRecord BusyRecord() {
    SettingsRecord r;
    r.policy_flags = 0x100 | 0x800 | 0x80000000;
    r.reserved_4 = {1, 2, 3, 4};
    r.self_destruct_limit = 15;
    r.reserved_10 = {5, 6};
    r.active_language = 3;
    r.admin_language = 1;
    r.user_language = 2;
    r.reserved_15 = 7;
    r.min_password_length = 9;
    r.password_char_class = kClassAlpha;
    r.reserved_18 = 8;
    r.reserved_19 = 9;
    r.reserved_20 = {10, 11, 12, 13};
    r.auto_lock_delay = 30;
    r.reserved_26 = {14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    r.block_menu_mask = 0x1234;
    r.reserved_40 = {24, 25, 26, 27, 28, 29, 30, 31};
    r.setup_id = 0x0D010203;
    return r;
}

// ---------------------------------------------------------------------------
// Policy switches, both ways

struct PolicyPair {
    const char* name;
    C pair;
    std::uint32_t bit;
    int index_when_set;
};

// Names the case where the test listing shows the parameter (ctest's names),
// instead of the struct's bytes, which hold addresses and change per build.
void PrintTo(const PolicyPair& pair, std::ostream* out) { *out << pair.name; }

class PolicyPairs : public SettingsFormTest, public ::testing::WithParamInterface<PolicyPair> {};

TEST_P(PolicyPairs, FillAndGatherMapTheBitToThePair) {
    const PolicyPair& p = GetParam();
    for (const bool set : {true, false}) {
        SCOPED_TRACE(set ? "bit set" : "bit clear");
        SettingsRecord r;
        r.policy_flags = set ? p.bit : (0xFFFFFFFF & ~p.bit & ~kPolicyRfid & ~kPolicyCentrawatchAdmin);
        r.min_password_length = 7;
        r.self_destruct_limit = 10;
        form.ClearCentrawatchSeen();
        form.FillFormFromSettings(r);
        const int expected = set ? p.index_when_set : 1 - p.index_when_set;
        EXPECT_EQ(view.RadioIndex(p.pair), expected);

        const auto gathered = Gather();
        ASSERT_TRUE(gathered);
        EXPECT_EQ((gathered->upload.settings.policy_flags & p.bit) != 0, set);
        EXPECT_EQ(gathered->payload.settings, gathered->upload.settings);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Switches, PolicyPairs,
    ::testing::Values(PolicyPair{"SelfDestruct", C::SelfDestructEnable, kPolicySelfDestruct, kEnable},
                      PolicyPair{"VirtualCdOff", C::VirtualCdEnable, kPolicyVirtualCdOff, kDisable},
                      PolicyPair{"StrongPassword", C::StrongPasswordEnable, kPolicyStrongPassword, kEnable},
                      PolicyPair{"RandomKeypad", C::RandomKeyPadEnable, kPolicyRandomKeypad, kEnable},
                      PolicyPair{"KeyToneOff", C::KeyToneEnable, kPolicyKeyToneOff, kDisable},
                      PolicyPair{"Centrawatch", C::CentrawatchEnable, kPolicyCentrawatch, kEnable},
                      PolicyPair{"ReadOnly", C::ReadOnlyEnable, kPolicyReadOnly, kEnable},
                      PolicyPair{"AutoLock", C::AutoLockEnable, kPolicyAutoLock, kEnable}),
    [](const auto& p) { return std::string(p.param.name); });

// ---------------------------------------------------------------------------
// The record as gathered

TEST_F(SettingsFormTest, GatheringReplacesOnlyTheFieldsTheFormOwns) {
    SettingsRecord drive = BusyRecord();
    drive.policy_flags |= kPolicyUserPassword | kPolicyCentrawatchAdmin | kPolicyRfid;
    drive.auto_lock_delay = 0;
    form.drive_settings() = drive;
    std::tm local{};
    local.tm_year = 114;  // 2014-05-12, 15:30
    local.tm_mon = 4;
    local.tm_mday = 12;
    local.tm_hour = 15;
    local.tm_min = 30;
    form.MakeNewSetupId(local);
    form.OnDetectCurrentSettings();
    EXPECT_EQ(view.Text(C::SelfDestructCounter), u"15");
    EXPECT_EQ(view.Text(C::MinPasswordLength), u"9");
    EXPECT_EQ(view.Text(C::AutoLockDelay), u"60");
    EXPECT_EQ(view.Text(C::NewSetupId), u"2014-05-12-15");
    EXPECT_EQ(view.ComboIndex(C::AdminLanguage), 1);
    EXPECT_EQ(view.ComboIndex(C::UserLanguage), 2);

    // Centrawatch off, RFID off: the form's switches; the rest passes through.
    view.SetRadioIndex(C::RfidEnable, kDisable);
    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    SettingsRecord expected = drive;
    expected.policy_flags = 0x100 | 0x800 | 0x80000000 | kPolicyUserPassword | kPolicyCentrawatchAdmin;
    expected.active_language = 1;  // the admin language without a new user password
    expected.auto_lock_delay = 60;
    expected.block_menu_mask = 0;  // never taken from a drive
    expected.setup_id = 0x0E050C0F;
    EXPECT_EQ(gathered->upload.settings, expected);
    EXPECT_EQ(gathered->payload.settings, expected);
    EXPECT_EQ(gathered->upload.change_mask, 0u);
    EXPECT_EQ(form.drive_settings(), drive);  // not replaced by the gathering
}

TEST_F(SettingsFormTest, ANewUserPasswordSetsItsBitsAndTheActiveLanguage) {
    SettingsRecord drive = BusyRecord();
    form.drive_settings() = drive;
    form.OnDetectCurrentSettings();
    view.SetChecked(C::ChangeUserPassword, true);
    view.SetText(C::NewUserPassword, u"USERPASS9");
    view.SetText(C::ConfirmUserPassword, u"USERPASS9");
    view.SetChecked(C::ChangeSettings, true);

    auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.settings.active_language, 2);
    EXPECT_TRUE(gathered->upload.settings.policy_flags & kPolicyUserPassword);
    EXPECT_EQ(gathered->upload.change_mask, kChangeUserPassword | kChangeSettings);
    EXPECT_EQ(gathered->payload.change_mask, gathered->upload.change_mask);
    const std::string user = "USERPASS9";
    EXPECT_TRUE(std::equal(user.begin(), user.end(), gathered->upload.new_user_password.begin()));
    EXPECT_EQ(gathered->payload.new_user_password, gathered->upload.new_user_password);

    // Once set on the drive, the bit stays with the box unticked.
    form.drive_settings().policy_flags |= kPolicyUserPassword;
    view.SetChecked(C::ChangeUserPassword, false);
    gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_TRUE(gathered->upload.settings.policy_flags & kPolicyUserPassword);
    EXPECT_EQ(gathered->upload.settings.active_language, 1);
    EXPECT_EQ(gathered->upload.change_mask, kChangeSettings);
}

TEST_F(SettingsFormTest, PasswordsGoToBothOutputs) {
    view.SetText(C::CurrentPassword, u"ADMIN1");
    view.SetChecked(C::ChangeAdminPassword, true);
    view.SetText(C::NewAdminPassword, u"NEWADMIN7");
    view.SetText(C::ConfirmAdminPassword, u"NEWADMIN7");
    view.SetChecked(C::ChangeRfidTagData, true);
    view.SetRadioIndex(C::RfidEnable, kDisable);

    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    const auto& upload = gathered->upload;
    const auto& payload = gathered->payload;
    EXPECT_EQ(upload.change_mask, kChangeAdminPassword | kChangeRfidTags);
    EXPECT_EQ(payload.change_mask, upload.change_mask);
    EXPECT_EQ(upload.current_admin_password, MakeNarrowPassword(u"ADMIN1").bytes);
    EXPECT_EQ(payload.current_admin_password, upload.current_admin_password);
    EXPECT_EQ(upload.new_admin_password, MakeNarrowPassword(u"NEWADMIN7").bytes);
    EXPECT_EQ(payload.new_admin_password, upload.new_admin_password);
    EXPECT_EQ(payload.new_admin_password_length, 9u);
    EXPECT_EQ(upload.new_user_password, SettingsUpload::Password{});
    // The drive's record learns the class of the new password's first character.
    EXPECT_EQ(upload.settings.password_char_class, kClassAlpha);
}

TEST_F(SettingsFormTest, APasswordRefusalIsShownAndFocused) {
    view.SetText(C::CurrentPassword, u"ADMIN1");
    view.SetChecked(C::ChangeAdminPassword, true);
    view.SetText(C::NewAdminPassword, u"NEWADMIN7");
    view.SetText(C::ConfirmAdminPassword, u"NEWADMIN8");
    view.SetRadioIndex(C::RfidEnable, kDisable);
    form.ReadForm();

    EXPECT_FALSE(form.GatherSettingsUpload());
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"Incorrect admin password is entered."});
    EXPECT_EQ(view.focus, C::NewAdminPassword);
    // A mismatch empties both fields on screen as well.
    EXPECT_EQ(view.Text(C::NewAdminPassword), u"");
    EXPECT_EQ(view.Text(C::ConfirmAdminPassword), u"");

    view.SetText(C::CurrentPassword, u"");
    form.ReadForm();
    EXPECT_FALSE(form.GatherSettingsUpload());
    EXPECT_EQ(notifier.texts().back(), u"Please enter current password.");
    EXPECT_EQ(view.focus, C::CurrentPassword);
}

TEST_F(SettingsFormTest, Reserved19ComesFromTheLastFilledRecord) {
    view.SetRadioIndex(C::RfidEnable, kDisable);
    auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.settings.reserved_19, 1);  // before any record

    SettingsRecord filled;
    filled.reserved_19 = 0x42;
    filled.min_password_length = 7;
    filled.self_destruct_limit = 10;
    form.FillFormFromSettings(filled);
    gathered = Gather();  // drive_settings still all zero
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.settings.reserved_19, 0x42);
}

TEST_F(SettingsFormTest, CentrawatchAdminModeIsSetOnlyWithCentrawatchOn) {
    form.ApplyExtendedOptions({0, true});
    view.SetRadioIndex(C::RfidEnable, kDisable);
    view.SetRadioIndex(C::CentrawatchEnable, kDisable);
    auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_FALSE(gathered->upload.settings.policy_flags & kPolicyCentrawatchAdmin);

    view.SetRadioIndex(C::CentrawatchEnable, kEnable);
    gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_TRUE(gathered->upload.settings.policy_flags & kPolicyCentrawatchAdmin);
}

TEST_F(SettingsFormTest, CentrawatchOnceSeenIsNotTurnedOffUntilTheNextScan) {
    SettingsRecord on;
    on.policy_flags = kPolicyCentrawatch;
    const SettingsRecord off;
    form.FillFormFromSettings(on);
    form.FillFormFromSettings(off);  // another drive picked, no new scan
    EXPECT_EQ(view.RadioIndex(C::CentrawatchEnable), kEnable);
    form.ClearCentrawatchSeen();
    form.FillFormFromSettings(off);
    EXPECT_EQ(view.RadioIndex(C::CentrawatchEnable), kDisable);
}

TEST_F(SettingsFormTest, AnOutOfRangeRecordValueIsRefusedAtTheNextReading) {
    SettingsRecord r;
    r.min_password_length = 4;
    r.self_destruct_limit = 10;
    form.FillFormFromSettings(r);
    EXPECT_EQ(view.Text(C::MinPasswordLength), u"4");
    EXPECT_FALSE(form.ReadForm());
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"Enter an integer between 7 and 31."});
}

TEST_F(SettingsFormTest, ARecordNamingJapaneseOrKoreanOffersAllSixLanguages) {
    SettingsRecord r;
    r.min_password_length = 7;
    r.self_destruct_limit = 10;
    r.user_language = 5;
    form.FillFormFromSettings(r);
    EXPECT_EQ(view.ComboLines(C::UserLanguage).size(), 6u);
    EXPECT_EQ(view.ComboIndex(C::UserLanguage), 5);
    EXPECT_TRUE(form.ReadForm());
}

// ---------------------------------------------------------------------------
// Tags and the RFID rule

TEST_F(SettingsFormTest, OccupiedSlotsArePackedForTheUploadAndKeptBySlotInTheFile) {
    const RfidTag a = Tag({0x11}), b = Tag({0x22}), c = Tag({0x33}), d = Tag({0x44}), e = Tag({0x55});
    for (const RfidTag& t : {a, b, c, d, e}) ReadTag(t);
    // Leave slots 2 and 5 occupied (index 1 and 4).
    for (const std::size_t slot : {0u, 2u, 3u}) form.tag_slots().state[slot] = kSlotEmpty;
    view.SetRadioIndex(C::RfidEnable, kEnable);
    view.SetChecked(C::AdminTag2, true);

    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.tag_count, 2);
    EXPECT_EQ(gathered->upload.tags[0], b);
    EXPECT_EQ(gathered->upload.tags[1], e);
    EXPECT_EQ(gathered->upload.tags[2], RfidTag{});
    EXPECT_EQ(gathered->payload.tag_count, 2);
    EXPECT_EQ(gathered->payload.tags_by_slot, (std::array<RfidTag, 5>{a, b, c, d, e}));
    EXPECT_EQ(gathered->payload.admin_tag, (std::array<std::uint32_t, 3>{0, 1, 0}));
    EXPECT_TRUE(gathered->upload.settings.policy_flags & kPolicyRfid);
}

TEST_F(SettingsFormTest, RfidEnabledWithoutTagsIsRefusedEvenWithoutTheTagChangeBox) {
    view.SetRadioIndex(C::RfidEnable, kEnable);
    view.SetChecked(C::ChangeRfidTagData, false);
    EXPECT_FALSE(Gather());
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"RFID tag data is empty!"});
    EXPECT_EQ(view.focus, C::ReadRfidTag);
}

TEST_F(SettingsFormTest, RfidDisabledStillSendsTheTagsAndClearsThePolicy) {
    form.drive_settings().policy_flags = kPolicyRfid;
    ReadTag(Tag({0xAB, 0xCD}));
    view.SetRadioIndex(C::RfidEnable, kDisable);
    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.tag_count, 1);
    EXPECT_FALSE(gathered->upload.settings.policy_flags & kPolicyRfid);
}

TEST_F(SettingsFormTest, DetectCurrentSettingsKeepsTagsShownButOnlyAdminSlotsOccupied) {
    ReadTag(Tag({0x01}));
    ReadTag(Tag({0x02}));
    view.SetChecked(C::AdminTag1, true);
    form.ToggleAdminTag(0);
    form.OnDetectCurrentSettings();
    EXPECT_EQ(form.tag_slots().state, (std::array<std::uint8_t, 5>{kSlotAdminTag, 0, 0, 0, 0}));
    EXPECT_EQ(view.Text(C::TagField2), u"02 ");
}

// ---------------------------------------------------------------------------
// Import

storage::ConfigFilePayload FilePayload() {
    storage::ConfigFilePayload p;
    p.settings.min_password_length = 8;
    p.settings.self_destruct_limit = 20;
    p.settings.auto_lock_delay = 90;
    p.settings.policy_flags = kPolicyRfid;
    p.settings.block_menu_mask = 0x1804 | 0x40;
    p.settings.setup_id = 0x0E050C0F;
    return p;
}

TEST_F(SettingsFormTest, ImportNeverUnticksAChangeBoxButEmptiesItsPasswords) {
    for (const C box : {C::ChangeAdminPassword, C::ChangeUserPassword, C::ChangeSettings, C::ChangeRfidTagData}) {
        view.SetChecked(box, true);
    }
    for (const C field : {C::NewAdminPassword, C::ConfirmAdminPassword, C::NewUserPassword, C::ConfirmUserPassword}) {
        view.SetText(field, u"TYPED99");
    }
    form.ReadForm();
    storage::ConfigFilePayload p = FilePayload();
    p.settings.policy_flags = 0;
    form.ApplyConfigPayload(p);

    for (const C box : {C::ChangeAdminPassword, C::ChangeUserPassword, C::ChangeSettings, C::ChangeRfidTagData}) {
        EXPECT_TRUE(view.Checked(box)) << static_cast<int>(box);
    }
    for (const C field : {C::NewAdminPassword, C::ConfirmAdminPassword, C::NewUserPassword, C::ConfirmUserPassword}) {
        EXPECT_EQ(view.Text(field), u"") << static_cast<int>(field);
    }
    EXPECT_EQ(view.focus, C::CurrentPassword);
}

TEST_F(SettingsFormTest, ImportTakesPasswordsUpToTheFirstZeroByte) {
    storage::ConfigFilePayload p = FilePayload();
    p.change_mask = kChangeAdminPassword | kChangeUserPassword;
    p.new_admin_password.fill('Q');  // all 32 bytes, no terminator
    const std::string user("USER\0IGNORED", 12);
    std::copy(user.begin(), user.end(), p.new_user_password.begin());
    form.ApplyConfigPayload(p);

    EXPECT_TRUE(view.Checked(C::ChangeAdminPassword));
    EXPECT_TRUE(view.Checked(C::ChangeUserPassword));
    EXPECT_EQ(view.Text(C::NewAdminPassword), std::u16string(32, u'Q'));
    EXPECT_EQ(view.Text(C::ConfirmAdminPassword), std::u16string(32, u'Q'));
    EXPECT_EQ(view.Text(C::NewUserPassword), u"USER");
    EXPECT_EQ(view.Text(C::ConfirmUserPassword), u"USER");
}

TEST_F(SettingsFormTest, ImportTakesSettingsSetupIdMaskAndAdminTags) {
    storage::ConfigFilePayload p = FilePayload();
    p.tags_by_slot[0] = Tag({0xA0});
    p.tags_by_slot[3] = Tag({0xD0, 0x01});
    p.admin_tag = {1, 0, 0};
    form.ApplyConfigPayload(p);

    EXPECT_EQ(form.drive_settings(), p.settings);
    EXPECT_EQ(form.new_setup_id(), 0x0E050C0Fu);
    EXPECT_EQ(view.Text(C::NewSetupId), u"2014-05-12-15");
    EXPECT_EQ(form.extended_options().mask, 0x1804u | 0x40u);
    EXPECT_EQ(view.Text(C::MinPasswordLength), u"8");
    EXPECT_EQ(view.Text(C::AutoLockDelay), u"90");
    EXPECT_TRUE(view.Checked(C::AdminTag1));
    // Every tag is shown; only the administrator slot is occupied.
    EXPECT_EQ(view.Text(C::TagField1), u"A0 ");
    EXPECT_EQ(view.Text(C::TagField4), u"D0 01 ");
    EXPECT_EQ(form.tag_slots().state, (std::array<std::uint8_t, 5>{kSlotAdminTag, 0, 0, 0, 0}));

    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.tag_count, 1);
    EXPECT_EQ(gathered->upload.settings.setup_id, 0x0E050C0Fu);
    EXPECT_EQ(gathered->upload.settings.block_menu_mask, 0x1804u | 0x40u);
}

TEST_F(SettingsFormTest, ImportedTagsWithoutAnAdminSlotDoNotSatisfyTheRfidRule) {
    storage::ConfigFilePayload p = FilePayload();
    p.tags_by_slot[0] = Tag({0xA0});
    form.ApplyConfigPayload(p);
    EXPECT_EQ(view.Text(C::TagField1), u"A0 ");
    EXPECT_FALSE(Gather());
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"RFID tag data is empty!"});
}

}  // namespace
}  // namespace qx7::editor::test
