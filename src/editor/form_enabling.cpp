// Which of the form's control groups are available: each group opens with
// its change box, and a few controls follow the drive's abilities and the
// values already chosen. The groups' members are marked in the control
// table.

#include "editor/control_table.h"
#include "editor/settings_form.h"
#include "protocol/constants.h"
#include "strings/text_codec.h"

namespace qx7::editor {
namespace {

using C = ControlId;

// Every control of `group` in the control table, a number edit with its
// arrows.
void SetGroupEnabled(FormView& view, Enabling group, bool on) {
    for (const ControlRow& row : ControlRows()) {
        if (row.enabling != group) continue;
        view.SetEnabled(row.id, on);
        if (row.partner != ControlId{}) view.SetEnabled(row.partner, on);
    }
}

}  // namespace

void SettingsForm::EnableChangeControls(bool on) {
    SetGroupEnabled(view_, Enabling::ChangeBox, on);
    EnableRfidSection(on);
}

void SettingsForm::EnableSettingsControls(bool on) {
    SetGroupEnabled(view_, Enabling::Settings, on);
    // Once Centrawatch is on, the form never lets it be switched off.
    SetGroupEnabled(view_, Enabling::Centrawatch, on && values_.centrawatch == kDisable);
    SetGroupEnabled(view_, Enabling::Rfid, on && rfid_supported_);
}

void SettingsForm::EnableTagControls(bool on) {
    // An administrator tag's field is never editable.
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        const bool admin = slot < kAdminTagCount && values_.admin_tags[slot];
        view_.SetEnabled(TagField(static_cast<int>(slot)), on && !admin);
    }
    SetGroupEnabled(view_, Enabling::TagControl, on);
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
    SetGroupEnabled(view_, Enabling::AdminPassword, values_.change_admin_password);
    if (values_.change_admin_password) view_.SetFocus(C::CurrentPassword);
    SetGroupEnabled(view_, Enabling::UserPassword, values_.change_user_password);
    EnableSettingsControls(values_.change_settings);
    EnableRfidSection(values_.change_rfid_tag_data);
}

void SettingsForm::DisableAllControls() {
    SetGroupEnabled(view_, Enabling::ChangeBox, false);
    EnableRfidSection(false);
    SetGroupEnabled(view_, Enabling::AdminPassword, false);
    SetGroupEnabled(view_, Enabling::UserPassword, false);
    EnableSettingsControls(false);
    EnableTagControls(false);
    SetGroupEnabled(view_, Enabling::Other, false);
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
