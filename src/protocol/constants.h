#pragma once
// Named values of the drive's system command set and of its records.

#include <cstdint>

namespace qx7::protocol {

// System command codes (command byte 3 of a system read; 0x31 is the write).
inline constexpr std::uint8_t kCmdIdentity = 0x01;
inline constexpr std::uint8_t kCmdLastError = 0x02;
inline constexpr std::uint8_t kCmdChannelCheck = 0x04;
inline constexpr std::uint8_t kCmdReadSettings = 0x30;
inline constexpr std::uint8_t kCmdWriteSettings = 0x31;
inline constexpr std::uint8_t kCmdStatus = 0x32;
inline constexpr std::uint8_t kCmdReadRfidTag = 0x38;
inline constexpr std::uint8_t kCmdTokenIndex = 0x7D;
inline constexpr std::uint8_t kCmdChannelKey = 0x7E;

// Lengths on the wire.
inline constexpr std::uint32_t kIdentityLength = 22;
inline constexpr std::uint32_t kLastErrorLength = 4;
inline constexpr std::uint32_t kChannelCheckLength = 32;
inline constexpr std::uint32_t kReadSettingsWireLength = 160;
inline constexpr std::uint32_t kReadSettingsUsedLength = 148;
inline constexpr std::uint32_t kWriteSettingsWireLength = 288;
inline constexpr std::uint32_t kStatusLength = 32;
inline constexpr std::uint32_t kRfidTagLength = 19;
inline constexpr std::uint32_t kTokenIndexLength = 16;
inline constexpr std::uint32_t kChannelKeyLength = 32;

// Token positions of the protected commands.
inline constexpr int kTokenReadSettings = 0;
inline constexpr int kTokenWriteSettings = 1;
inline constexpr int kTokenChannelCheck = 4;

// Template bytes 6 and 7 of the tag read: the value 5000, high byte first.
inline constexpr std::uint8_t kRfidReadTemplate6 = 0x13;
inline constexpr std::uint8_t kRfidReadTemplate7 = 0x88;

// USB identifiers an identity answer must carry.
inline constexpr std::uint16_t kQx7VendorId = 0x230A;
inline constexpr std::uint16_t kQx7ProductId = 0x1180;
inline constexpr std::uint16_t kQx7FipsProductId = 0x1181;

// SettingsRecord.policy_flags.
inline constexpr std::uint32_t kPolicyRandomKeypad = 0x1;
inline constexpr std::uint32_t kPolicyKeyToneOff = 0x2;
inline constexpr std::uint32_t kPolicySelfDestruct = 0x4;
inline constexpr std::uint32_t kPolicyRfid = 0x8;
inline constexpr std::uint32_t kPolicyCentrawatch = 0x10;
inline constexpr std::uint32_t kPolicyAutoLock = 0x20;
inline constexpr std::uint32_t kPolicyReadOnly = 0x40;
inline constexpr std::uint32_t kPolicyStrongPassword = 0x80;
inline constexpr std::uint32_t kPolicyUserPassword = 0x200;
inline constexpr std::uint32_t kPolicyVirtualCdOff = 0x400;
inline constexpr std::uint32_t kPolicyCentrawatchAdmin = 0x1000000;

// SettingsUpload.change_mask.
inline constexpr std::uint32_t kChangeUserPassword = 0x2000;
inline constexpr std::uint32_t kChangeAdminPassword = 0x4000;
inline constexpr std::uint32_t kChangeRfidTags = 0x8000;
inline constexpr std::uint32_t kChangeSettings = 0x10000;

// DriveStatus byte 0.
inline constexpr std::uint8_t kStatusAdminUnlocked = 0x80;
inline constexpr std::uint8_t kStatusRfidSupported = 0x04;

// SettingsRecord.block_menu_mask: settings the drive's own menu may not
// change. These are not the policy_flags values of the same features.
inline constexpr std::uint32_t kBlockMenuSelfDestruct = 0x4;
inline constexpr std::uint32_t kBlockMenuRfid = 0x8;
inline constexpr std::uint32_t kBlockMenuCentrawatch = 0x10;
inline constexpr std::uint32_t kBlockMenuZeroize = 0x20;
inline constexpr std::uint32_t kBlockMenuStrongPassword = 0x80;
inline constexpr std::uint32_t kBlockMenuUserPassword = 0x200;
inline constexpr std::uint32_t kBlockMenuReadOnly = 0x800;
inline constexpr std::uint32_t kBlockMenuAutoLock = 0x1000;

// Drive error codes (LastError.error_code after a refused settings write).
inline constexpr std::uint8_t kErrorWrongAdminPassword = 0x16;
inline constexpr std::uint8_t kErrorUserMode = 0x17;
inline constexpr std::uint8_t kErrorParameterSize = 0x19;
inline constexpr std::uint8_t kErrorAdminPasswordRefused = 0x20;

// Menu languages of the drive, by index.
inline constexpr std::uint8_t kLanguageCount = 6;
inline constexpr const char* kLanguageNames[kLanguageCount] = {
    "English", "French", "German", "Spanish", "Japanese", "Korean"};

}  // namespace qx7::protocol
