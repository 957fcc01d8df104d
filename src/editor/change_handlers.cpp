// Handlers of the change boxes, the RFID and strong-password radio pairs and
// the current-password field. Each reads the form first; the values as read
// up to a refused control are used.

#include "editor/password_policy.h"
#include "editor/settings_form.h"

namespace qx7::editor {
namespace {

using C = ControlId;

constexpr std::size_t kShortestUserPassword = 7;

}  // namespace

void SettingsForm::OnChangeAdminPassword() {
    ReadForm();
    const bool ticked = values_.change_admin_password;
    if (!ticked) {
        values_.new_admin_password.clear();
        values_.confirm_admin_password.clear();
    }
    view_.SetEnabled(C::NewAdminPassword, ticked);
    view_.SetEnabled(C::ConfirmAdminPassword, ticked);
    if (ticked) view_.SetFocus(C::CurrentPassword);
    EnableUploadAndSave();
    WriteForm();
}

void SettingsForm::OnChangeUserPassword(const LanguageProbe& six_languages) {
    ReadForm();
    const bool ticked = values_.change_user_password;
    // Unticking keeps the texts: without the change bit they are not sent.
    if (ticked && values_.new_user_password.size() < kShortestUserPassword) {
        values_.new_user_password = kReservedUserPassword;
        values_.confirm_user_password = kReservedUserPassword;
    }
    view_.SetEnabled(C::NewUserPassword, ticked);
    view_.SetEnabled(C::ConfirmUserPassword, ticked);
    EnableUploadAndSave();
    WriteForm();
    if (ticked) {
        // A new user password goes with the settings: the box is forced on.
        view_.SetChecked(C::ChangeSettings, true);
        OnChangeSettings(six_languages);
        view_.SetEnabled(C::ChangeSettings, false);
    } else {
        view_.SetEnabled(C::ChangeSettings, true);
    }
}

void SettingsForm::OnChangeSettings(const LanguageProbe& six_languages) {
    ReadForm();
    if (values_.change_user_password) values_.change_settings = true;
    EnableSettingsControls(values_.change_settings);
    EnableUploadAndSave();
    // Asked each time the box is ticked; a four-language drive leaves the lists.
    if (values_.change_settings && six_languages && six_languages()) SetLanguageLists(true);
    WriteForm();
    if (values_.change_settings && values_.rfid == kEnable) {
        EnableRfidSection(true);
    } else {
        view_.SetEnabled(C::ChangeRfidTagData, false);
        EnableTagControls(false);
    }
}

void SettingsForm::OnChangeRfidTagData() {
    ReadForm();
    EnableTagControls(rfid_supported_ && values_.change_rfid_tag_data);
    EnableUploadAndSave();
}

void SettingsForm::OnRfidEnable() {
    ReadForm();
    EnableRfidSection(true);
    WriteForm();
}

void SettingsForm::OnRfidDisable() {
    ReadForm();
    view_.SetEnabled(C::ChangeRfidTagData, false);
    EnableTagControls(false);
    WriteForm();
}

void SettingsForm::OnStrongPasswordEnable() {
    ReadForm();
    if (ApplyStrongPasswordCoupling(values_, true)) WriteForm();
}

void SettingsForm::OnStrongPasswordDisable() {
    ReadForm();
    if (ApplyStrongPasswordCoupling(values_, false)) WriteForm();
}

void SettingsForm::OnCurrentPasswordFocusLost() { view_.SetEnabled(C::UploadSettings, true); }

}  // namespace qx7::editor
