#pragma once
// The ".qx7" configuration file: a 320-byte record (the 304-byte payload
// and 16 zero bytes) enciphered with AES-256 in ECB mode under one fixed
// key. It holds what an upload sends (change mask, passwords, settings) and
// the form's five tag slots, so a file reproduces an upload.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "protocol/aes256.h"
#include "protocol/records.h"
#include "strings/string_table.h"

namespace qx7::storage {

inline constexpr std::size_t kConfigFileSize = 320;
inline constexpr std::uint32_t kConfigFormatVersion = 0x03000000;

struct ConfigFilePayload {
    static constexpr std::size_t kSize = 304;
    using Password = protocol::SettingsUpload::Password;

    std::uint32_t format_version = 0;
    std::array<std::uint8_t, 16> banner{};  // "QX7 Config Data" and a zero byte
    std::array<std::uint8_t, 16> reserved_header{};
    std::uint32_t change_mask = 0;
    Password current_admin_password{};
    Password new_admin_password{};
    std::uint32_t new_admin_password_length = 0;
    Password new_user_password{};
    protocol::SettingsRecord settings;
    std::array<protocol::RfidTag, 5> tags_by_slot{};
    std::uint8_t reserved_287 = 0;
    std::array<std::uint32_t, 3> admin_tag{};  // 1 when "Admin TAG #k" is ticked
    std::uint8_t tag_count = 0;
    std::array<std::uint8_t, 3> reserved_301{};

    // Sets format_version and banner to the values a file must carry.
    void StampHeader();
    // format_version and banner are those of a configuration file.
    bool HasValidHeader() const;

    static ConfigFilePayload Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const ConfigFilePayload&) const = default;
};

// A password field as text: its bytes up to the first zero byte (or all
// 32), one character per byte.
std::u16string PasswordFieldText(const ConfigFilePayload::Password& field);

// SHA-256 of the fixed pass phrase; the same key for every file.
protocol::Aes256Key ConfigFileKey();

// The file's bytes for a payload (header stamped) and back.
std::array<std::uint8_t, kConfigFileSize> EncryptConfigFile(ConfigFilePayload payload);
ConfigFilePayload DecryptConfigFile(std::span<const std::uint8_t, kConfigFileSize> bytes);

enum class ConfigFileError { None, CannotCreate, CannotOpen, InvalidLength, NotAConfigFile, Damaged };

// Writes the file so that an earlier file of that name survives any
// failure: the bytes go to a temporary file in the same folder, are flushed
// and then renamed over the target.
ConfigFileError SaveConfigFile(const std::filesystem::path& path, const ConfigFilePayload& payload);

struct LoadedConfigFile {
    ConfigFileError error = ConfigFileError::None;
    ConfigFilePayload payload;  // valid when error is None
    std::string damage;         // with Damaged: what is wrong, naming the field
};
// Refuses a file that cannot be opened, is not exactly 320 bytes, whose
// deciphered header is wrong (another key, another kind of file), or that
// holds what the program never writes (FindConfigFileDamage): a damaged file.
LoadedConfigFile LoadConfigFile(const std::filesystem::path& path);

// The administrator's message for an error (empty for None):
// "Fail !, Can not create output file. ( %s )", "Fail !, Can not open file.
// ( %s )", "Fail !, Invalid file length. ( %s )" with the path, or SettingsFileNotFound.
// Damaged has no text of its own here: use the overload below.
std::u16string ConfigFileErrorMessage(ConfigFileError error, const std::filesystem::path& path,
                                      strings::Language language);
// The message for a load's error; a damaged file's names what is wrong:
// "Fail !, The configuration file is damaged: <what>. ( %s )".
std::u16string ConfigFileErrorMessage(const LoadedConfigFile& loaded, const std::filesystem::path& path,
                                      strings::Language language);

}  // namespace qx7::storage
