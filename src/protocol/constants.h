#pragma once
// Named values of the drive's system command set and of its records.
// Everything per command is declared in transport/command_table.h.

#include <cstdint>

#include "transport/command_table.h"

namespace qx7::protocol {

// The system commands' codes, lengths and token positions, as
// named values: views onto the rows of the command table
// (transport/command_table.h), where each command is declared once.
inline constexpr std::uint8_t kCmdIdentity = transport::kIdentityRead.code;
inline constexpr std::uint8_t kCmdLastError = transport::kLastErrorRead.code;
inline constexpr std::uint8_t kCmdChannelCheck = transport::kChannelCheckRead.code;
inline constexpr std::uint8_t kCmdReadSettings = transport::kSettingsRead.code;
inline constexpr std::uint8_t kCmdWriteSettings = transport::kSettingsWrite.code;
inline constexpr std::uint8_t kCmdStatus = transport::kStatusRead.code;
inline constexpr std::uint8_t kCmdReadRfidTag = transport::kRfidTagRead.code;
inline constexpr std::uint8_t kCmdTokenIndex = transport::kTokenIndexRead.code;
inline constexpr std::uint8_t kCmdChannelKey = transport::kChannelKeyRead.code;

// Lengths on the wire.
inline constexpr std::uint32_t kIdentityLength = transport::kIdentityRead.length;
inline constexpr std::uint32_t kLastErrorLength = transport::kLastErrorRead.length;
inline constexpr std::uint32_t kChannelCheckLength = transport::kChannelCheckRead.length;
inline constexpr std::uint32_t kReadSettingsWireLength = transport::kSettingsRead.length;
inline constexpr std::uint32_t kWriteSettingsWireLength = transport::kSettingsWrite.length;
inline constexpr std::uint32_t kStatusLength = transport::kStatusRead.length;
inline constexpr std::uint32_t kRfidTagLength = transport::kRfidTagRead.length;
inline constexpr std::uint32_t kTokenIndexLength = transport::kTokenIndexRead.length;
inline constexpr std::uint32_t kChannelKeyLength = transport::kChannelKeyRead.length;
// Of the settings read's 160 deciphered bytes, the ones the host keeps.
inline constexpr std::uint32_t kReadSettingsUsedLength = 148;

// Token positions of the protected commands.
inline constexpr int kTokenReadSettings = transport::kSettingsRead.token_position;
inline constexpr int kTokenWriteSettings = transport::kSettingsWrite.token_position;
inline constexpr int kTokenChannelCheck = transport::kChannelCheckRead.token_position;

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
inline constexpr const char* kLanguageNames[kLanguageCount] = {"English", "French",   "German",
                                                               "Spanish", "Japanese", "Korean"};

}  // namespace qx7::protocol
