#pragma once
// Named values of the drive's system command set and of its records.
// Everything per command is declared in transport/command_table.h.

#include <cstdint>

#include "transport/command_table.h"

namespace qx7::protocol {

// The system commands' codes, lengths and token positions, as
// named values: views onto the rows of the command table
// (transport/command_table.h), where each command is declared once.
inline constexpr std::uint8_t CMD_IDENTITY = transport::kIdentityRead.code;
inline constexpr std::uint8_t CMD_LAST_ERROR = transport::kLastErrorRead.code;
inline constexpr std::uint8_t CMD_CHANNEL_CHECK = transport::kChannelCheckRead.code;
inline constexpr std::uint8_t CMD_READ_SETTINGS = transport::kSettingsRead.code;
inline constexpr std::uint8_t CMD_WRITE_SETTINGS = transport::kSettingsWrite.code;
inline constexpr std::uint8_t CMD_STATUS = transport::kStatusRead.code;
inline constexpr std::uint8_t CMD_READ_RFID_TAG = transport::kRfidTagRead.code;
inline constexpr std::uint8_t CMD_TOKEN_INDEX = transport::kTokenIndexRead.code;
inline constexpr std::uint8_t CMD_CHANNEL_KEY = transport::kChannelKeyRead.code;

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
inline constexpr std::uint32_t POLICY_RANDOM_KEYPAD = 0x1;
inline constexpr std::uint32_t POLICY_KEY_TONE_OFF = 0x2;
inline constexpr std::uint32_t POLICY_SELF_DESTRUCT = 0x4;
inline constexpr std::uint32_t POLICY_RFID = 0x8;
inline constexpr std::uint32_t POLICY_CENTRAWATCH = 0x10;
inline constexpr std::uint32_t POLICY_AUTO_LOCK = 0x20;
inline constexpr std::uint32_t POLICY_READ_ONLY = 0x40;
inline constexpr std::uint32_t POLICY_STRONG_PASSWORD = 0x80;
inline constexpr std::uint32_t POLICY_USER_PASSWORD = 0x200;
inline constexpr std::uint32_t POLICY_VIRTUAL_CD_OFF = 0x400;
inline constexpr std::uint32_t POLICY_CENTRAWATCH_ADMIN = 0x1000000;

// SettingsUpload.change_mask.
inline constexpr std::uint32_t CHANGE_USER_PASSWORD = 0x2000;
inline constexpr std::uint32_t CHANGE_ADMIN_PASSWORD = 0x4000;
inline constexpr std::uint32_t CHANGE_RFID_TAGS = 0x8000;
inline constexpr std::uint32_t CHANGE_SETTINGS = 0x10000;

// DriveStatus byte 0.
inline constexpr std::uint8_t STATUS_ADMIN_UNLOCKED = 0x80;
inline constexpr std::uint8_t STATUS_RFID_SUPPORTED = 0x04;

// SettingsRecord.block_menu_mask: settings the drive's own menu may not
// change. These are not the policy_flags values of the same features.
inline constexpr std::uint32_t BLOCK_MENU_SELF_DESTRUCT = 0x4;
inline constexpr std::uint32_t BLOCK_MENU_RFID = 0x8;
inline constexpr std::uint32_t BLOCK_MENU_CENTRAWATCH = 0x10;
inline constexpr std::uint32_t BLOCK_MENU_ZEROIZE = 0x20;
inline constexpr std::uint32_t BLOCK_MENU_STRONG_PASSWORD = 0x80;
inline constexpr std::uint32_t BLOCK_MENU_USER_PASSWORD = 0x200;
inline constexpr std::uint32_t BLOCK_MENU_READ_ONLY = 0x800;
inline constexpr std::uint32_t BLOCK_MENU_AUTO_LOCK = 0x1000;

// Drive error codes (LastError.error_code after a refused settings write).
inline constexpr std::uint8_t ERROR_WRONG_ADMIN_PASSWORD = 0x16;
inline constexpr std::uint8_t ERROR_USER_MODE = 0x17;
inline constexpr std::uint8_t ERROR_PARAMETER_SIZE = 0x19;
inline constexpr std::uint8_t ERROR_ADMIN_PASSWORD_REFUSED = 0x20;

// Menu languages of the drive, by index.
inline constexpr std::uint8_t kLanguageCount = 6;
inline constexpr const char* kLanguageNames[kLanguageCount] = {
    "English", "French", "German", "Spanish", "Japanese", "Korean"};

}  // namespace qx7::protocol
