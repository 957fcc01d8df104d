#pragma once
// The main form's controls, by their identifiers. A view maps each id to
// its widget; a radio pair is addressed by the id of its first button. The
// controls' kinds, places and captions are in control_table.h.

#include <cstdint>

namespace qx7::editor {

enum class ControlId : std::uint16_t {
    Ok = 1,  // Ctrl+S
    Exit = 2,
    DriveList = 1002,
    UploadSettings = 1007,
    Rescan = 1019,
    DetectCurrentSettings = 1020,
    FolderButton = 1040,
    CurrentPassword = 1042,
    NewAdminPassword = 1044,
    ConfirmAdminPassword = 1046,
    ChangeAdminPassword = 1047,
    NewUserPassword = 1050,
    ConfirmUserPassword = 1052,
    ChangeUserPassword = 1053,
    SelfDestructCounter = 1055,
    SelfDestructSpin = 1056,
    VirtualCdEnable = 1058,
    VirtualCdDisable = 1059,
    RandomKeyPadEnable = 1061,
    RandomKeyPadDisable = 1062,
    MinPasswordLength = 1064,
    MinPasswordLengthSpin = 1065,
    KeyToneEnable = 1067,
    KeyToneDisable = 1068,
    AutoLockDelay = 1069,
    AdminLanguage = 1070,
    UserLanguage = 1073,
    AutoLockDelaySpin = 1074,
    RfidEnable = 1078,
    RfidDisable = 1079,
    SelfDestructEnable = 1081,
    SelfDestructDisable = 1082,
    ReadOnlyEnable = 1084,
    ReadOnlyDisable = 1086,
    AutoLockEnable = 1088,
    AutoLockDisable = 1089,
    ReadRfidTag = 1092,
    StrongPasswordEnable = 1094,
    StrongPasswordDisable = 1095,
    ClearAllRfidTags = 1096,
    CentrawatchEnable = 1098,
    CentrawatchDisable = 1099,
    SaveAs = 1100,
    AdminTag1 = 1112,
    Import = 1113,
    AdminTag2 = 1114,
    AdminTag3 = 1115,
    SerialNumber = 1119,
    CopySerial = 1120,
    CopyTags = 1121,
    SetExtendedSettings = 1126,
    NewSetupId = 1130,
    ChangeSettings = 1133,
    ChangeRfidTagData = 1134,
    CurrentSetupId = 1136,
    TagField1 = 1142,
    TagField2 = 1143,
    TagField3 = 1144,
    TagField4 = 1145,
    TagField5 = 1146,
    AutoSaveConfiguration = 1147,
    EnableLog = 1149,
    FolderField = 1150,

    // Controls that carry no value: labels, groups and the title band.
    SelectedDeviceLabel = 1001,
    AdminGroup = 1027,
    CurrentPasswordLabel = 1041,
    NewAdminPasswordLabel = 1043,
    ConfirmAdminPasswordLabel = 1045,
    UserGroup = 1048,
    NewUserPasswordLabel = 1049,
    ConfirmUserPasswordLabel = 1051,
    VirtualCdLabel = 1057,
    RandomKeyPadLabel = 1060,
    MinPasswordLengthLabel = 1063,
    KeyToneLabel = 1066,
    AdminLanguageLabel = 1071,
    UserLanguageLabel = 1072,
    RfidGroup = 1076,
    RfidLabel = 1077,
    SelfDestructLabel = 1080,
    SelfDestructLimitLabel = 1085,
    StrongPasswordLabel = 1093,
    CentrawatchLabel = 1097,
    SerialLabel = 1118,
    NewSetupIdLabel = 1129,
    SettingsGroup = 1132,
    CurrentSetupIdLabel = 1135,
    CloseButton = 1154,
    SettingsButton = 1155,  // opens the Settings menu
    HelpButton = 1156,      // opens the Help menu
    BandButton = 1157,      // minimises the window
    AppIconButton = 1158,
    Title = 1160,
};

// Field of tag slot `slot` (0 to 4).
constexpr ControlId TagField(int slot) { return static_cast<ControlId>(static_cast<int>(ControlId::TagField1) + slot); }

// "Admin TAG #k+1" box of slot k (0 to 2).
constexpr ControlId AdminTagBox(int slot) {
    constexpr ControlId kBoxes[] = {ControlId::AdminTag1, ControlId::AdminTag2, ControlId::AdminTag3};
    return kBoxes[slot];
}

}  // namespace qx7::editor
