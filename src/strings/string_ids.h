#pragma once
// Every text of the string tables (resources/strings/en.tsv and ko.tsv), by
// name. Code asks for a text only through these names; FormatResString takes
// a StringId, so a bare number does not compile.
//
// Adding a text: one row in en.tsv, one in ko.tsv, one name here. The tests
// check that every name here has a row in both embedded tables and that the
// tables hold no row without a name.
//
// The names follow the English texts, not the place that shows them, so one
// text shown in two places keeps one name.

#include <cstdint>

namespace qx7::strings {

enum class StringId : std::uint16_t {
    // Captions of the main window, its groups and its menus.
    AboutProgram = 101,  // "&About Ostrivance QX7 Configurator"
    ProgramName = 102,   // "Ostrivance QX7 Configurator": title and message-box caption
    SelectedDevice = 103,
    Rescan = 104,
    SerialNumber = 105,
    Enable = 106,
    Disable = 107,
    AdminPassword = 108,
    ChangeAdminPassword = 109,
    CurrentPassword = 110,
    NewAdminPassword = 111,      // "New Password" of the admin group
    ConfirmAdminPassword = 112,  // "Confirm Password" of the admin group
    UserPassword = 113,
    CreateUserPassword = 114,   // "Create New User Password"
    NewUserPassword = 115,      // "New Password" of the user group
    ConfirmUserPassword = 116,  // "Confirm Password" of the user group
    Centrawatch = 117,
    SelfDestruct = 119,
    SelfDestructLimit = 120,
    VirtualCd = 121,
    MinPasswordLength = 122,
    StrongPassword = 123,
    RandomKeyPad = 124,
    CurrentSetupId = 125,
    KeyTone = 126,
    AdminLanguage = 127,
    UserLanguage = 128,
    SetExtendedSettings = 129,
    RfidAuthentication = 130,
    Rfid = 131,
    ClearAllRfidTags = 132,
    ReadRfidTag = 133,
    Import = 134,
    SaveAs = 135,
    UploadSettings = 136,  // "Upload Settings To QX7"
    Exit = 137,
    NewSetupId = 156,
    AutoSaveConfiguration = 162,  // "Auto Save Configuration File"
    EnableLog = 163,
    SettingsGroup = 164,  // "Settings" of the settings group
    ChangeSettings = 165,
    CopyTags = 166,  // "Copy Tags\nTo Clipboard"
    ChangeRfidTagData = 167,
    SettingsMenu = 235,  // "Settings" of the menu button
    HelpMenu = 236,      // "Help"

    // Messages.
    DriveNotDetected = 140,  // "QX7 drive cannot be detected. ..."
    IncorrectCurrentAdminPassword = 141,
    IncorrectAdminPassword = 142,
    IncorrectUserPassword = 143,
    SameAdminAndUserPassword = 144,  // "Cannot use the same admin password with user."
    IncorrectPasswordLength = 145,
    IncorrectParameterSize = 146,
    UseStrongPassword = 149,     // "Please use a strong password."
    EnterCurrentPassword = 150,  // "Please enter current password."
    TagDataEmpty = 151,
    TagDataFull = 152,
    TagAlreadyRegistered = 153,
    ConnectedWithUserPassword = 154,
    SettingsFileNotFound = 157,  // "Failed!\nCan't find QX7 Settings data file."
    NoPreviousSetupId = 160,
    NoDrivesDetected = 161,
    AdminPasswordInvalidCharacters = 176,
    UserPasswordInvalidCharacters = 177,

    // The extended options dialog.
    ExtendedSettings = 168,        // its title
    CentrawatchInAdminMode = 169,  // "Use Centrawatch in Administrator mode"
    ExtendedMenuOptions = 170,     // its group
    DisableSelfDestructChange = 171,
    DisableStrongPasswordChange = 172,
    DisableZeroize = 173,  // "Disable Zeroize Drive Function"
    DisableSwitchingOffRfid = 174,
    DisableCentrawatchChange = 175,

    // The updater.
    Cancel = 193,
    UpToDate = 237,         // %1: own version
    UpdateAvailable = 238,  // %1: the server's version
    UpdaterTitle = 239,
    UpdateConnectionError = 240,  // also every other failure of the check
    Update = 241,

    // The program's own messages.
    ChannelNotOpen = 901,
    StoringSettings = 902,
    CheckingForUpdates = 903,

    // The standard messages of a refused form value.
    EnterInteger = 61696,
    EnterIntegerBetween = 61698,  // %1 lowest, %2 highest
    EnterNoMoreThan = 61700,      // %1 characters
};

}  // namespace qx7::strings
