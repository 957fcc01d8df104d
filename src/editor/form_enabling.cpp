// Which of the form's control groups are available: each group opens with
// its change box, and a few controls follow the drive's abilities and the
// values already chosen.

#include <initializer_list>

#include "editor/settings_form.h"
#include "protocol/constants.h"
#include "strings/text_codec.h"

namespace qx7::editor {
namespace {

using C = ControlId;

constexpr C kChangeBoxes[] = {C::ChangeAdminPassword, C::ChangeUserPassword, C::ChangeSettings};
constexpr C kAdminPasswordFields[] = {C::NewAdminPassword, C::ConfirmAdminPassword};
constexpr C kUserPasswordFields[] = {C::NewUserPassword, C::ConfirmUserPassword};

// The settings group without the Centrawatch and RFID pairs, which follow
// rules of their own.
constexpr C kSettingsGroup[] = {
    C::SelfDestructEnable,    C::SelfDestructDisable, C::SelfDestructCounter,    C::SelfDestructSpin,
    C::VirtualCdEnable,       C::VirtualCdDisable,    C::StrongPasswordEnable,   C::StrongPasswordDisable,
    C::RandomKeyPadEnable,    C::RandomKeyPadDisable, C::KeyToneEnable,          C::KeyToneDisable,
    C::MinPasswordLength,     C::MinPasswordLengthSpin, C::AdminLanguage,        C::UserLanguage,
    C::SetExtendedSettings,   C::ReadOnlyEnable,      C::ReadOnlyDisable,        C::AutoLockEnable,
    C::AutoLockDisable,
};

// Controls outside the groups that a locked form greys out as well.
constexpr C kOtherInputs[] = {
    C::CurrentPassword, C::Rescan, C::NewSetupId, C::SerialNumber, C::CopySerial,
    C::UploadSettings,  C::SaveAs, C::Import,     C::Exit,         C::FolderField,
    C::FolderButton,    C::AutoSaveConfiguration, C::EnableLog,    C::DetectCurrentSettings,
};

template <std::size_t N>
void SetAllEnabled(FormView& view, const C (&controls)[N], bool on) {
    for (const C id : controls) view.SetEnabled(id, on);
}

void SetPairEnabled(FormView& view, C first, C second, bool on) {
    view.SetEnabled(first, on);
    view.SetEnabled(second, on);
}

}  // namespace

void SettingsForm::EnableChangeControls(bool on) {
    SetAllEnabled(view_, kChangeBoxes, on);
    EnableRfidSection(on);
}

void SettingsForm::EnableSettingsControls(bool on) {
    SetAllEnabled(view_, kSettingsGroup, on);
    // Once Centrawatch is on, the form never lets it be switched off.
    SetPairEnabled(view_, C::CentrawatchEnable, C::CentrawatchDisable,
                   on && values_.centrawatch == kDisable);
    SetPairEnabled(view_, C::RfidEnable, C::RfidDisable, on && rfid_supported_);
}

void SettingsForm::EnableTagControls(bool on) {
    // An administrator tag's field is never editable.
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        const bool admin = slot < kAdminTagCount && values_.admin_tags[slot];
        view_.SetEnabled(TagField(static_cast<int>(slot)), on && !admin);
    }
    for (const C id : {C::ReadRfidTag, C::ClearAllRfidTags, C::AdminTag1, C::AdminTag2, C::AdminTag3}) {
        view_.SetEnabled(id, on);
    }
}

void SettingsForm::EnableRfidSection(bool on) {
    if (rfid_supported_ && on && values_.rfid == kEnable) {
        // Already available: the tag controls keep whatever state they have.
        if (view_.Enabled(C::ChangeRfidTagData)) return;
        view_.SetEnabled(C::ChangeRfidTagData, true);
        if (values_.change_rfid_tag_data) EnableTagControls(true);
        return;
    }
    view_.SetEnabled(C::ChangeRfidTagData, false);
    EnableTagControls(on);
}

void SettingsForm::ApplyChangeChecks() {
    SetAllEnabled(view_, kAdminPasswordFields, values_.change_admin_password);
    if (values_.change_admin_password) view_.SetFocus(C::CurrentPassword);
    SetAllEnabled(view_, kUserPasswordFields, values_.change_user_password);
    EnableSettingsControls(values_.change_settings);
    EnableRfidSection(values_.change_rfid_tag_data);
}

void SettingsForm::DisableAllControls() {
    SetAllEnabled(view_, kChangeBoxes, false);
    EnableRfidSection(false);
    SetAllEnabled(view_, kAdminPasswordFields, false);
    SetAllEnabled(view_, kUserPasswordFields, false);
    EnableSettingsControls(false);
    EnableTagControls(false);
    SetAllEnabled(view_, kOtherInputs, false);
}

void SettingsForm::SetLanguageLists(bool six_languages) {
    const std::size_t count = six_languages ? protocol::kLanguageCount : 4;
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < count; ++i) names.push_back(strings::FromUtf8(protocol::kLanguageNames[i]));
    view_.SetComboLines(C::AdminLanguage, names);
    view_.SetComboLines(C::UserLanguage, names);
    view_.SetComboIndex(C::AdminLanguage, values_.admin_language);
    view_.SetComboIndex(C::UserLanguage, values_.user_language);
}

}  // namespace qx7::editor
