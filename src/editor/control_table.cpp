#include "editor/control_table.h"

#include <algorithm>
#include <cstddef>

namespace qx7::editor {
namespace {

using C = ControlId;
using K = ControlKind;
using E = Enabling;
using V = FormValues;
using S = strings::StringId;
using namespace style;

// Captions of the radio buttons.

// The five password fields take at most this many characters.
constexpr int kPasswordChars = static_cast<int>(kPasswordMaxChars);

constexpr ControlRow kRows[] = {
    // The title band.
    {.id = C::Title, .kind = K::Title, .caption = S::ProgramName},
    {.id = C::AppIconButton, .kind = K::BandWidget, .place = {4, 3, 14, 14}},
    {.id = C::CloseButton, .kind = K::BandWidget, .place = {330, 4, 14, 14}},
    {.id = C::BandButton, .kind = K::BandButton, .place = {313, 4, 14, 14}, .icon = 189, .look = kToolbar},

    // The menus, the drive list, the serial number and the setup IDs.
    {.id = C::SettingsButton, .kind = K::IconButton, .place = {241, 24, 50, 30}, .caption = S::SettingsMenu, .icon = 187,
     .look = kToolbar | kImageTop | kOpensMenu},
    {.id = C::HelpButton, .kind = K::IconButton, .place = {295, 24, 50, 30}, .caption = S::HelpMenu, .icon = 190,
     .look = kToolbar | kImageTop | kOpensMenu},
    {.id = C::SelectedDeviceLabel, .kind = K::Label, .place = {114, 64, 67, 12}, .caption = S::SelectedDevice, .look = kAlignRight},
    {.id = C::DriveList, .kind = K::Combo, .place = {183, 64, 125, 12}, .fixed = "QX7 Not Detected"},
    {.id = C::Rescan, .kind = K::IconButton, .place = {311, 60, 30, 21}, .caption = S::Rescan, .icon = 203,
     .icon_size = 32, .look = kToolbar | kTextIndented | kIconOnly, .enabling = E::Other},
    {.id = C::SerialLabel, .kind = K::Label, .place = {150, 85, 57, 12}, .caption = S::SerialNumber, .look = kAlignRight},
    {.id = C::SerialNumber, .kind = K::Edit, .place = {209, 85, 80, 12}, .look = kReadOnly, .exchange = 21,
     .value = Field<&V::serial_number>(), .enabling = E::Other},
    {.id = C::CopySerial, .kind = K::IconButton, .place = {291, 83, 50, 16}, .fixed = "Copy", .icon = 199,
     .icon_size = 24, .look = kToolbar | kTextIndented, .enabling = E::Other},
    {.id = C::CurrentSetupIdLabel, .kind = K::Label, .place = {11, 102, 62, 12}, .caption = S::CurrentSetupId},
    {.id = C::CurrentSetupId, .kind = K::Edit, .place = {75, 102, 80, 12}, .look = kReadOnly, .exchange = 25,
     .value = Field<&V::current_setup_id>()},
    {.id = C::NewSetupIdLabel, .kind = K::Label, .place = {160, 102, 77, 12}, .caption = S::NewSetupId, .look = kAlignRight},
    {.id = C::NewSetupId, .kind = K::Edit, .place = {239, 102, 102, 12}, .look = kReadOnly, .exchange = 22,
     .value = Field<&V::new_setup_id>(), .enabling = E::Other},

    // The administrator's passwords.
    {.id = C::AdminGroup, .kind = K::Group, .place = {11, 124, 160, 70}, .caption = S::AdminPassword},
    {.id = C::ChangeAdminPassword, .kind = K::Check, .group = C::AdminGroup, .place = {19, 135, 146, 10},
     .caption = S::ChangeAdminPassword, .exchange = 6, .value = Field<&V::change_admin_password>(),
     .json_key = "change_admin_password", .enabling = E::ChangeBox},
    {.id = C::CurrentPasswordLabel, .kind = K::Label, .group = C::AdminGroup, .place = {19, 148, 64, 12},
     .caption = S::CurrentPassword},
    {.id = C::CurrentPassword, .kind = K::Edit, .group = C::AdminGroup, .place = {85, 148, 78, 12},
     .look = kUpperCase | kMasked, .exchange = 1, .value = Field<&V::current_password>(), .max = kPasswordChars,
     .json_key = "current_password", .enabling = E::Other},
    {.id = C::NewAdminPasswordLabel, .kind = K::Label, .group = C::AdminGroup, .place = {19, 162, 64, 12},
     .caption = S::NewAdminPassword},
    {.id = C::NewAdminPassword, .kind = K::Edit, .group = C::AdminGroup, .place = {85, 162, 78, 12},
     .look = kUpperCase | kMasked, .exchange = 2, .value = Field<&V::new_admin_password>(), .max = kPasswordChars,
     .json_key = "new_admin_password", .enabling = E::AdminPassword},
    {.id = C::ConfirmAdminPasswordLabel, .kind = K::Label, .group = C::AdminGroup, .place = {19, 176, 64, 12},
     .caption = S::ConfirmAdminPassword},
    {.id = C::ConfirmAdminPassword, .kind = K::Edit, .group = C::AdminGroup, .place = {85, 176, 78, 12},
     .look = kUpperCase | kMasked, .exchange = 3, .value = Field<&V::confirm_admin_password>(),
     .max = kPasswordChars, .json_key = "confirm_admin_password", .enabling = E::AdminPassword},

    // The user's password.
    {.id = C::UserGroup, .kind = K::Group, .place = {177, 124, 164, 70}, .caption = S::UserPassword},
    {.id = C::ChangeUserPassword, .kind = K::Check, .group = C::UserGroup, .place = {185, 135, 150, 10},
     .caption = S::CreateUserPassword, .exchange = 7, .value = Field<&V::change_user_password>(),
     .json_key = "change_user_password", .enabling = E::ChangeBox},
    {.id = C::NewUserPasswordLabel, .kind = K::Label, .group = C::UserGroup, .place = {185, 148, 64, 12},
     .caption = S::NewUserPassword},
    {.id = C::NewUserPassword, .kind = K::Edit, .group = C::UserGroup, .place = {251, 148, 82, 12},
     .look = kUpperCase, .exchange = 4, .value = Field<&V::new_user_password>(), .max = kPasswordChars,
     .json_key = "new_user_password", .enabling = E::UserPassword},
    {.id = C::ConfirmUserPasswordLabel, .kind = K::Label, .group = C::UserGroup, .place = {185, 162, 64, 12},
     .caption = S::ConfirmUserPassword},
    {.id = C::ConfirmUserPassword, .kind = K::Edit, .group = C::UserGroup, .place = {251, 162, 82, 12},
     .look = kUpperCase | kMasked, .exchange = 5, .value = Field<&V::confirm_user_password>(),
     .max = kPasswordChars, .json_key = "confirm_user_password", .enabling = E::UserPassword},

    // The settings group: the switches, one radio pair a row, on the left;
    // beside them the lists, the numbers and two buttons.
    {.id = C::SettingsGroup, .kind = K::Group, .place = {11, 204, 330, 157}, .caption = S::SettingsGroup},
    {.id = C::ChangeSettings, .kind = K::Check, .group = C::SettingsGroup, .place = {19, 215, 150, 10},
     .caption = S::ChangeSettings, .exchange = 23, .value = Field<&V::change_settings>(), .json_key = "change_settings",
     .enabling = E::ChangeBox},
    {.id = C::CentrawatchLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {19, 229, 66, 12},
     .caption = S::Centrawatch},
    {.id = C::CentrawatchEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 230, 40, 10},
     .caption = S::Enable, .exchange = 19, .value = Field<&V::centrawatch>(), .max = 1, .json_key = "centrawatch",
     .enabling = E::Centrawatch},
    {.id = C::CentrawatchDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 230, 50, 10},
     .caption = S::Disable, .enabling = E::Centrawatch},
    {.id = C::SelfDestructLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {19, 245, 66, 12},
     .caption = S::SelfDestruct},
    {.id = C::SelfDestructEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 246, 40, 10},
     .caption = S::Enable, .exchange = 15, .value = Field<&V::self_destruct>(), .max = 1,
     .json_key = "self_destruct", .enabling = E::Settings},
    {.id = C::SelfDestructDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 246, 50, 10},
     .caption = S::Disable, .enabling = E::Settings},
    {.id = C::VirtualCdLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {19, 261, 66, 12},
     .caption = S::VirtualCd},
    {.id = C::VirtualCdEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 262, 40, 10},
     .caption = S::Enable, .exchange = 12, .value = Field<&V::virtual_cd>(), .max = 1, .json_key = "virtual_cd",
     .enabling = E::Settings},
    {.id = C::VirtualCdDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 262, 50, 10},
     .caption = S::Disable, .enabling = E::Settings},
    {.id = C::StrongPasswordLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {19, 277, 66, 12},
     .caption = S::StrongPassword},
    {.id = C::StrongPasswordEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 278, 40, 10},
     .caption = S::Enable, .exchange = 17, .value = Field<&V::strong_password>(), .max = 1,
     .json_key = "strong_password", .enabling = E::Settings},
    {.id = C::StrongPasswordDisable, .kind = K::RadioSecond, .group = C::SettingsGroup,
     .place = {129, 278, 50, 10}, .caption = S::Disable, .enabling = E::Settings},
    {.id = C::RandomKeyPadLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {19, 293, 66, 12},
     .caption = S::RandomKeyPad},
    {.id = C::RandomKeyPadEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 294, 40, 10},
     .caption = S::Enable, .exchange = 13, .value = Field<&V::random_keypad>(), .max = 1,
     .json_key = "random_keypad", .enabling = E::Settings},
    {.id = C::RandomKeyPadDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 294, 50, 10},
     .caption = S::Disable, .enabling = E::Settings},
    {.id = C::KeyToneLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {19, 309, 66, 12},
     .caption = S::KeyTone},
    {.id = C::KeyToneEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 310, 40, 10},
     .caption = S::Enable, .exchange = 14, .value = Field<&V::key_tone>(), .max = 1, .json_key = "key_tone",
     .enabling = E::Settings},
    {.id = C::KeyToneDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 310, 50, 10},
     .caption = S::Disable, .enabling = E::Settings},
    {.kind = K::Label, .group = C::SettingsGroup, .place = {19, 325, 66, 12}, .fixed = "Read-Only"},
    {.id = C::ReadOnlyEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 326, 40, 10},
     .fixed = "Enable", .exchange = 26, .value = Field<&V::read_only>(), .max = 1, .json_key = "read_only",
     .enabling = E::Settings},
    {.id = C::ReadOnlyDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 326, 50, 10},
     .fixed = "Disable", .enabling = E::Settings},
    {.kind = K::Label, .group = C::SettingsGroup, .place = {19, 341, 66, 12}, .fixed = "Auto-Lock"},
    {.id = C::AutoLockEnable, .kind = K::RadioFirst, .group = C::SettingsGroup, .place = {87, 342, 40, 10},
     .fixed = "Enable", .exchange = 27, .value = Field<&V::auto_lock>(), .max = 1, .json_key = "auto_lock",
     .enabling = E::Settings},
    {.id = C::AutoLockDisable, .kind = K::RadioSecond, .group = C::SettingsGroup, .place = {129, 342, 50, 10},
     .fixed = "Disable", .enabling = E::Settings},
    // The auto-lock delay right beside its switch; no rule ever disables it.
    {.id = C::AutoLockDelay, .kind = K::Number, .group = C::SettingsGroup, .place = {187, 341, 40, 12},
     .exchange = 28, .value = Field<&V::auto_lock_delay>(), .min = 10, .max = 180, .partner = C::AutoLockDelaySpin,
     .arrow_min = 10, .arrow_max = 180, .arrow_step = 10, .json_key = "auto_lock_delay"},
    {.id = C::AdminLanguageLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {187, 229, 72, 12},
     .caption = S::AdminLanguage},
    {.id = C::AdminLanguage, .kind = K::Combo, .group = C::SettingsGroup, .place = {261, 229, 72, 12},
     .exchange = 10, .value = Field<&V::admin_language>(), .max = 5, .json_key = "admin_language",
     .enabling = E::Settings},
    {.id = C::SelfDestructLimitLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {187, 245, 72, 12},
     .caption = S::SelfDestructLimit},
    {.id = C::SelfDestructCounter, .kind = K::Number, .group = C::SettingsGroup, .place = {261, 245, 40, 12},
     .exchange = 8, .value = Field<&V::self_destruct_counter>(), .min = 10, .max = 35,
     .partner = C::SelfDestructSpin, .arrow_min = 10, .arrow_max = 35, .arrow_step = 5,
     .json_key = "self_destruct_counter", .enabling = E::Settings},
    {.id = C::UserLanguageLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {187, 261, 72, 12},
     .caption = S::UserLanguage},
    {.id = C::UserLanguage, .kind = K::Combo, .group = C::SettingsGroup, .place = {261, 261, 72, 12},
     .exchange = 11, .value = Field<&V::user_language>(), .max = 5, .json_key = "user_language",
     .enabling = E::Settings},
    {.id = C::MinPasswordLengthLabel, .kind = K::Label, .group = C::SettingsGroup, .place = {187, 277, 72, 12},
     .caption = S::MinPasswordLength},
    // The arrows reach 6, which the form refuses.
    {.id = C::MinPasswordLength, .kind = K::Number, .group = C::SettingsGroup, .place = {261, 277, 40, 12},
     .exchange = 9, .value = Field<&V::min_password_length>(), .min = 7, .max = 31,
     .partner = C::MinPasswordLengthSpin, .arrow_min = 6, .arrow_max = 31, .arrow_step = 1,
     .json_key = "min_password_length", .enabling = E::Settings},
    {.id = C::SetExtendedSettings, .kind = K::IconButton, .group = C::SettingsGroup, .place = {187, 295, 146, 22},
     .caption = S::SetExtendedSettings, .icon = 200, .icon_size = 24, .enabling = E::Settings},
    {.id = C::DetectCurrentSettings, .kind = K::PushButton, .group = C::SettingsGroup,
     .place = {187, 324, 146, 14}, .fixed = "Detect Current Settings", .enabling = E::Other},

    // The RFID group, shown for a drive with a reader.
    {.id = C::RfidGroup, .kind = K::Group, .place = {355, 56, 216, 224}, .caption = S::RfidAuthentication},
    {.id = C::RfidLabel, .kind = K::Label, .group = C::RfidGroup, .place = {363, 68, 66, 12}, .caption = S::Rfid},
    {.id = C::RfidEnable, .kind = K::RadioFirst, .group = C::RfidGroup, .place = {431, 69, 40, 10},
     .caption = S::Enable, .exchange = 16, .value = Field<&V::rfid>(), .max = 1, .json_key = "rfid",
     .enabling = E::Rfid},
    {.id = C::RfidDisable, .kind = K::RadioSecond, .group = C::RfidGroup, .place = {473, 69, 50, 10},
     .caption = S::Disable, .enabling = E::Rfid},
    {.id = C::ChangeRfidTagData, .kind = K::Check, .group = C::RfidGroup, .place = {363, 84, 150, 10},
     .caption = S::ChangeRfidTagData, .exchange = 24, .value = Field<&V::change_rfid_tag_data>(),
     .json_key = "change_rfid_tag_data", .enabling = E::RfidChangeBox},
    {.kind = K::Label, .group = C::RfidGroup, .place = {363, 102, 10, 12}, .fixed = "1:"},
    {.id = C::TagField1, .kind = K::Edit, .group = C::RfidGroup, .place = {375, 102, 110, 12}, .exchange = 18,
     .value = Field<&V::tag_texts, 0>(), .enabling = E::TagField},
    {.id = C::AdminTag1, .kind = K::Check, .group = C::RfidGroup, .place = {491, 103, 72, 10},
     .fixed = "Admin TAG #1", .exchange = 20, .value = Field<&V::admin_tags, 0>(), .enabling = E::TagControl},
    {.kind = K::Label, .group = C::RfidGroup, .place = {363, 120, 10, 12}, .fixed = "2:"},
    {.id = C::TagField2, .kind = K::Edit, .group = C::RfidGroup, .place = {375, 120, 110, 12}, .exchange = 18,
     .value = Field<&V::tag_texts, 1>(), .enabling = E::TagField},
    {.id = C::AdminTag2, .kind = K::Check, .group = C::RfidGroup, .place = {491, 121, 72, 10},
     .fixed = "Admin TAG #2", .exchange = 20, .value = Field<&V::admin_tags, 1>(), .enabling = E::TagControl},
    {.kind = K::Label, .group = C::RfidGroup, .place = {363, 138, 10, 12}, .fixed = "3:"},
    {.id = C::TagField3, .kind = K::Edit, .group = C::RfidGroup, .place = {375, 138, 110, 12}, .exchange = 18,
     .value = Field<&V::tag_texts, 2>(), .enabling = E::TagField},
    {.id = C::AdminTag3, .kind = K::Check, .group = C::RfidGroup, .place = {491, 139, 72, 10},
     .fixed = "Admin TAG #3", .exchange = 20, .value = Field<&V::admin_tags, 2>(), .enabling = E::TagControl},
    {.kind = K::Label, .group = C::RfidGroup, .place = {363, 156, 10, 12}, .fixed = "4:"},
    {.id = C::TagField4, .kind = K::Edit, .group = C::RfidGroup, .place = {375, 156, 110, 12}, .exchange = 18,
     .value = Field<&V::tag_texts, 3>(), .enabling = E::TagField},
    {.kind = K::Label, .group = C::RfidGroup, .place = {363, 174, 10, 12}, .fixed = "5:"},
    {.id = C::TagField5, .kind = K::Edit, .group = C::RfidGroup, .place = {375, 174, 110, 12}, .exchange = 18,
     .value = Field<&V::tag_texts, 4>(), .enabling = E::TagField},
    {.id = C::ReadRfidTag, .kind = K::IconButton, .group = C::RfidGroup, .place = {363, 202, 100, 24},
     .caption = S::ReadRfidTag, .icon = 206, .icon_size = 24, .enabling = E::TagControl},
    {.id = C::ClearAllRfidTags, .kind = K::IconButton, .group = C::RfidGroup, .place = {363, 230, 100, 22},
     .caption = S::ClearAllRfidTags, .icon = 201, .icon_size = 16, .enabling = E::TagControl},
    {.id = C::CopyTags, .kind = K::IconButton, .group = C::RfidGroup, .place = {467, 202, 96, 50}, .caption = S::CopyTags,
     .icon = 199, .icon_size = 24, .look = kTextRight},

    // The bottom rows: saving, the log folder and the main buttons.
    {.id = C::AutoSaveConfiguration, .kind = K::Check, .place = {19, 377, 150, 10}, .caption = S::AutoSaveConfiguration,
     .enabling = E::Other},
    {.id = C::EnableLog, .kind = K::Check, .place = {184, 377, 120, 10}, .caption = S::EnableLog, .enabling = E::Other},
    {.kind = K::Label, .place = {19, 388, 31, 12}, .fixed = "Folder"},
    // The field reaches to the Folder button, as wide as the row allows.
    {.id = C::FolderField, .kind = K::Edit, .place = {52, 388, 196, 12}, .enabling = E::Other},
    {.id = C::FolderButton, .kind = K::PushButton, .place = {250, 387, 24, 14}, .fixed = "Folder", .icon = 176,
     .look = kIconOnly, .enabling = E::Other},
    {.id = C::SaveAs, .kind = K::IconButton, .place = {278, 385, 64, 19}, .caption = S::SaveAs, .icon = 205,
     .icon_size = 24, .look = kTextIndented, .enabling = E::Other},
    {.id = C::Import, .kind = K::IconButton, .place = {11, 410, 70, 24}, .caption = S::Import, .icon = 197,
     .icon_size = 32, .enabling = E::Other},
    {.id = C::UploadSettings, .kind = K::IconButton, .place = {104, 410, 150, 24}, .caption = S::UploadSettings, .icon = 196,
     .icon_size = 32, .look = kTextIndented | kDefault, .enabling = E::Other},
    {.id = C::Exit, .kind = K::IconButton, .place = {281, 410, 61, 24}, .caption = S::Exit, .icon = 198,
     .icon_size = 32, .enabling = E::Other},
};

// The value rows ordered by their place in the exchange; rows of the same
// place (the tag fields, the admin-tag boxes) keep their table order.
constexpr std::size_t CountValueRows() {
    std::size_t count = 0;
    for (const ControlRow& row : kRows) count += row.exchange != 0 ? 1 : 0;
    return count;
}

constexpr auto SortValueRows() {
    std::array<const ControlRow*, CountValueRows()> rows{};
    std::size_t n = 0;
    for (int place = 1; place <= 255; ++place) {
        for (const ControlRow& row : kRows) {
            if (row.exchange == place) rows[n++] = &row;
        }
    }
    return rows;
}

constexpr auto kValueRows = SortValueRows();

// A radio pair's second button follows its first.
constexpr bool RowsAreWellFormed() {
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const ControlRow& row = kRows[i];
        if (row.kind == K::RadioFirst && (i + 1 == std::size(kRows) || kRows[i + 1].kind != K::RadioSecond)) {
            return false;
        }
    }
    return true;
}
static_assert(RowsAreWellFormed());

}  // namespace

std::span<const ControlRow> ControlRows() { return kRows; }

std::span<const ControlRow* const> ValueRows() { return kValueRows; }

const ControlRow* FindControl(ControlId id) {
    for (const ControlRow& row : kRows) {
        if (row.id == id && id != ControlId{}) return &row;
    }
    return nullptr;
}

ControlId SecondOfPair(ControlId first) {
    const ControlRow* row = FindControl(first);
    return row != nullptr && row->kind == K::RadioFirst ? (row + 1)->id : ControlId{};
}

}  // namespace qx7::editor
