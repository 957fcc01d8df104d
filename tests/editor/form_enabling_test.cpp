// Which control groups the form makes available, and the handlers of the
// change boxes, the RFID and strong-password pairs and the current password.

#include <gtest/gtest.h>

#include "editor/form_fixture.h"

namespace qx7::editor::test {
namespace {

using C = ControlId;

const C kSettingsGroup[] = {C::SelfDestructEnable,   C::SelfDestructCounter, C::VirtualCdEnable,
                            C::StrongPasswordEnable, C::RandomKeyPadEnable,  C::KeyToneEnable,
                            C::MinPasswordLength,    C::AdminLanguage,       C::UserLanguage,
                            C::SetExtendedSettings,  C::ReadOnlyEnable,      C::AutoLockDisable};
const C kTagControls[] = {C::TagField1,   C::TagField2,        C::TagField3, C::TagField4, C::TagField5,
                          C::ReadRfidTag, C::ClearAllRfidTags, C::AdminTag1, C::AdminTag2, C::AdminTag3};

bool NeverAsked() {
    ADD_FAILURE() << "language probe run";
    return false;
}

class EnablingTest : public SettingsFormTest {
protected:
    void ExpectGroup(std::span<const C> controls, bool enabled) {
        for (const C id : controls) EXPECT_EQ(view.Enabled(id), enabled) << static_cast<int>(id);
    }
    void Tick(C box, bool ticked = true) {
        view.SetChecked(box, ticked);
        form.ReadForm();
    }
};

// ---------------------------------------------------------------------------
// Enabling rules

TEST_F(EnablingTest, ApplyChangeChecksOpensEachGroupWithItsBox) {
    form.ApplyChangeChecks();
    ExpectGroup(std::array{C::NewAdminPassword, C::ConfirmAdminPassword, C::NewUserPassword}, false);
    ExpectGroup(kSettingsGroup, false);
    ExpectGroup(kTagControls, false);
    EXPECT_FALSE(view.Enabled(C::ChangeRfidTagData));
    EXPECT_EQ(view.focus, C{});

    form.set_rfid_supported(true);
    view.SetRadioIndex(C::RfidEnable, kEnable);
    view.SetRadioIndex(C::CentrawatchEnable, kDisable);
    for (const C box : {C::ChangeAdminPassword, C::ChangeUserPassword, C::ChangeSettings, C::ChangeRfidTagData}) {
        view.SetChecked(box, true);
    }
    form.ReadForm();
    form.ApplyChangeChecks();
    ExpectGroup(std::array{C::NewAdminPassword, C::ConfirmAdminPassword, C::NewUserPassword, C::ConfirmUserPassword,
                           C::CentrawatchEnable, C::RfidEnable, C::ChangeRfidTagData},
                true);
    ExpectGroup(kSettingsGroup, true);
    ExpectGroup(kTagControls, true);
    EXPECT_EQ(view.focus, C::CurrentPassword);
}

TEST_F(EnablingTest, CentrawatchOnAndNoReaderKeepTheirPairsGreyed) {
    view.SetRadioIndex(C::CentrawatchEnable, kEnable);
    view.SetRadioIndex(C::RfidEnable, kEnable);
    Tick(C::ChangeSettings);
    Tick(C::ChangeRfidTagData);
    form.EnableChangeControls(true);
    form.ApplyChangeChecks();
    ExpectGroup(kSettingsGroup, true);
    ExpectGroup(
        std::array{C::CentrawatchEnable, C::CentrawatchDisable, C::RfidEnable, C::RfidDisable, C::ChangeRfidTagData},
        false);
    // The ticked tag box still opens the tag controls, though it is greyed.
    ExpectGroup(kTagControls, true);
}

TEST_F(EnablingTest, RfidSectionOpensTheTagBoxOnlyWhenItWasClosed) {
    form.set_rfid_supported(true);
    view.SetRadioIndex(C::RfidEnable, kEnable);
    Tick(C::ChangeRfidTagData);
    view.SetEnabled(C::ChangeRfidTagData, false);
    form.EnableTagControls(false);
    form.EnableRfidSection(true);
    EXPECT_TRUE(view.Enabled(C::ChangeRfidTagData));
    ExpectGroup(kTagControls, true);

    // Already open: the tag controls keep their state.
    form.EnableTagControls(false);
    form.EnableRfidSection(true);
    ExpectGroup(kTagControls, false);

    form.EnableRfidSection(false);
    EXPECT_FALSE(view.Enabled(C::ChangeRfidTagData));
}

TEST_F(EnablingTest, AnAdminTagFieldStaysGreyed) {
    ReadTag(Tag({0x01}));
    ReadTag(Tag({0x02}));
    Tick(C::AdminTag2);
    form.ToggleAdminTag(1);
    form.EnableTagControls(true);
    EXPECT_FALSE(view.Enabled(C::TagField2));
    ExpectGroup(std::array{C::TagField1, C::TagField3, C::TagField4, C::TagField5, C::AdminTag2}, true);
}

TEST_F(EnablingTest, DisableAllControlsGreysEveryInputButTheTagCopyAndTheDelay) {
    form.set_rfid_supported(true);
    view.SetRadioIndex(C::CentrawatchEnable, kDisable);
    form.ReadForm();
    form.DisableAllControls();
    ExpectGroup(std::array{C::ChangeAdminPassword,
                           C::ChangeUserPassword,
                           C::ChangeSettings,
                           C::ChangeRfidTagData,
                           C::NewAdminPassword,
                           C::ConfirmUserPassword,
                           C::CentrawatchEnable,
                           C::RfidDisable,
                           C::CurrentPassword,
                           C::Rescan,
                           C::NewSetupId,
                           C::SerialNumber,
                           C::CopySerial,
                           C::UploadSettings,
                           C::SaveAs,
                           C::Import,
                           C::Exit,
                           C::FolderField,
                           C::FolderButton,
                           C::AutoSaveConfiguration,
                           C::EnableLog,
                           C::DetectCurrentSettings},
                false);
    ExpectGroup(kSettingsGroup, false);
    ExpectGroup(kTagControls, false);
    ExpectGroup(std::array{C::CopyTags, C::AutoLockDelay, C::AutoLockDelaySpin, C::DriveList}, true);
}

// ---------------------------------------------------------------------------
// Change boxes

TEST_F(EnablingTest, UntickingChangeAdminPasswordEmptiesItsFields) {
    view.SetChecked(C::ChangeAdminPassword, true);
    view.SetEnabled(C::UploadSettings, false);
    view.SetEnabled(C::SaveAs, false);
    form.OnChangeAdminPassword();
    EXPECT_TRUE(view.Enabled(C::NewAdminPassword));
    EXPECT_EQ(view.focus, C::CurrentPassword);
    ExpectGroup(std::array{C::UploadSettings, C::SaveAs}, true);

    view.SetText(C::NewAdminPassword, u"TYPED123");
    view.SetText(C::ConfirmAdminPassword, u"TYPED123");
    view.SetChecked(C::ChangeAdminPassword, false);
    form.OnChangeAdminPassword();
    EXPECT_EQ(view.Text(C::NewAdminPassword), u"");
    EXPECT_EQ(view.Text(C::ConfirmAdminPassword), u"");
    EXPECT_FALSE(view.Enabled(C::NewAdminPassword));
}

TEST_F(EnablingTest, ChangeUserPasswordForcesChangeSettingsOnAndGreysIt) {
    view.SetChecked(C::ChangeUserPassword, true);
    form.OnChangeUserPassword([] { return false; });
    EXPECT_EQ(view.Text(C::NewUserPassword), u"7391508");
    EXPECT_EQ(view.Text(C::ConfirmUserPassword), u"7391508");
    EXPECT_TRUE(view.Checked(C::ChangeSettings));
    EXPECT_FALSE(view.Enabled(C::ChangeSettings));
    ExpectGroup(kSettingsGroup, true);
    ExpectGroup(std::array{C::NewUserPassword, C::ConfirmUserPassword}, true);

    // Unticking frees the box but leaves it, and the user texts, as they are.
    view.SetChecked(C::ChangeUserPassword, false);
    form.OnChangeUserPassword(NeverAsked);
    EXPECT_TRUE(view.Enabled(C::ChangeSettings));
    EXPECT_TRUE(view.Checked(C::ChangeSettings));
    EXPECT_EQ(view.Text(C::NewUserPassword), u"7391508");
    EXPECT_FALSE(view.Enabled(C::NewUserPassword));
}

TEST_F(EnablingTest, AShortUserPasswordIsReplacedByThePlaceholder) {
    const struct {
        std::u16string typed;
        std::u16string kept;
    } cases[] = {{u"", u"7391508"}, {u"ABCDE", u"7391508"}, {u"ABCDEFG", u"ABCDEFG"}, {u"ABCDEFGH", u"ABCDEFGH"}};
    for (const auto& c : cases) {
        view.SetText(C::NewUserPassword, c.typed);
        view.SetChecked(C::ChangeUserPassword, true);
        form.OnChangeUserPassword([] { return false; });
        EXPECT_EQ(view.Text(C::NewUserPassword), c.kept);
    }
}

TEST_F(EnablingTest, ChangeSettingsIsForcedWhileAUserPasswordIsSet) {
    Tick(C::ChangeUserPassword);
    view.SetChecked(C::ChangeSettings, false);
    form.OnChangeSettings([] { return false; });
    EXPECT_TRUE(view.Checked(C::ChangeSettings));
    ExpectGroup(kSettingsGroup, true);
}

TEST_F(EnablingTest, ASixLanguageDriveGetsSixEntriesAndKeepsTheSelections) {
    view.SetComboIndex(C::AdminLanguage, 2);
    view.SetComboIndex(C::UserLanguage, 3);
    view.SetChecked(C::ChangeSettings, true);
    int probes = 0;
    form.OnChangeSettings([&] {
        ++probes;
        return false;
    });
    EXPECT_EQ(view.ComboLines(C::AdminLanguage).size(), 4u);

    form.OnChangeSettings([&] {
        ++probes;
        return true;
    });
    EXPECT_EQ(probes, 2);  // asked every time the box is ticked
    const std::vector<std::u16string> six = {u"English", u"French", u"German", u"Spanish", u"Japanese", u"Korean"};
    EXPECT_EQ(view.ComboLines(C::AdminLanguage), six);
    EXPECT_EQ(view.ComboLines(C::UserLanguage), six);
    EXPECT_EQ(view.ComboIndex(C::AdminLanguage), 2);
    EXPECT_EQ(view.ComboIndex(C::UserLanguage), 3);

    view.SetChecked(C::ChangeSettings, false);
    form.OnChangeSettings(NeverAsked);
    ExpectGroup(kSettingsGroup, false);
}

TEST_F(EnablingTest, ChangeSettingsOpensTheRfidSectionOnlyWithRfidEnabled) {
    form.set_rfid_supported(true);
    view.SetRadioIndex(C::RfidEnable, kEnable);
    view.SetChecked(C::ChangeRfidTagData, true);
    view.SetEnabled(C::ChangeRfidTagData, false);
    view.SetChecked(C::ChangeSettings, true);
    form.OnChangeSettings([] { return false; });
    EXPECT_TRUE(view.Enabled(C::ChangeRfidTagData));
    ExpectGroup(kTagControls, true);

    view.SetChecked(C::ChangeSettings, false);
    form.OnChangeSettings(NeverAsked);
    EXPECT_FALSE(view.Enabled(C::ChangeRfidTagData));
    ExpectGroup(kTagControls, false);
}

TEST_F(EnablingTest, ChangeRfidTagDataOpensTheTagsOnlyWithAReader) {
    view.SetChecked(C::ChangeRfidTagData, true);
    form.OnChangeRfidTagData();
    ExpectGroup(kTagControls, false);
    form.set_rfid_supported(true);
    form.OnChangeRfidTagData();
    ExpectGroup(kTagControls, true);
    ExpectGroup(std::array{C::UploadSettings, C::SaveAs}, true);
}

TEST_F(EnablingTest, RfidRadioPairOpensAndClosesTheTagBox) {
    form.set_rfid_supported(true);
    view.SetChecked(C::ChangeRfidTagData, true);
    view.SetEnabled(C::ChangeRfidTagData, false);
    view.SetRadioIndex(C::RfidEnable, kEnable);
    form.OnRfidEnable();
    EXPECT_TRUE(view.Enabled(C::ChangeRfidTagData));
    ExpectGroup(kTagControls, true);

    view.SetRadioIndex(C::RfidEnable, kDisable);
    form.OnRfidDisable();
    EXPECT_FALSE(view.Enabled(C::ChangeRfidTagData));
    ExpectGroup(kTagControls, false);
}

TEST_F(EnablingTest, StrongPasswordPairMovesTheMinimumLength) {
    view.SetRadioIndex(C::StrongPasswordEnable, kEnable);
    form.OnStrongPasswordEnable();
    EXPECT_EQ(view.Text(C::MinPasswordLength), u"8");
    view.SetRadioIndex(C::StrongPasswordEnable, kDisable);
    form.OnStrongPasswordDisable();
    EXPECT_EQ(view.Text(C::MinPasswordLength), u"7");
}

TEST_F(EnablingTest, LeavingTheCurrentPasswordEnablesUpload) {
    view.SetEnabled(C::UploadSettings, false);
    form.OnCurrentPasswordFocusLost();
    EXPECT_TRUE(view.Enabled(C::UploadSettings));
}

}  // namespace
}  // namespace qx7::editor::test
