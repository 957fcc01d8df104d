#include "storage/config_file.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include "protocol/byte_order.h"
#include "protocol/sha256.h"
#include "storage/config_file_check.h"
#include "storage/files.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"

namespace qx7::storage {
namespace {

using namespace protocol::bytes;

// Field offsets of the 304-byte payload; integers little-endian.
constexpr std::size_t kFormatVersion = 0;
constexpr std::size_t kBanner = 4;
constexpr std::size_t kReservedHeader = 20;
constexpr std::size_t kChangeMask = 36;
constexpr std::size_t kCurrentAdminPassword = 40;
constexpr std::size_t kNewAdminPassword = 72;
constexpr std::size_t kNewAdminPasswordLength = 104;
constexpr std::size_t kNewUserPassword = 108;
constexpr std::size_t kSettings = 140;
constexpr std::size_t kTagsBySlot = 192;
constexpr std::size_t kReserved287 = 287;
constexpr std::size_t kAdminTag = 288;
constexpr std::size_t kTagCount = 300;
constexpr std::size_t kReserved301 = 301;

static_assert(kSettings + protocol::SettingsRecord::kSize == kTagsBySlot);
static_assert(kTagsBySlot + 5 * protocol::RfidTag::kSize == kReserved287);
static_assert(kReserved301 + 3 == ConfigFilePayload::kSize);
static_assert(ConfigFilePayload::kSize + 16 == kConfigFileSize);
static_assert(kConfigFileSize == protocol::kRecord320Size);

constexpr std::array<std::uint8_t, 16> kBannerBytes = {'Q', 'X', '7', ' ', 'C', 'o', 'n', 'f',
                                                       'i', 'g', ' ', 'D', 'a', 't', 'a', 0};

// The key is the same for every file; the phrase is hashed without a terminator.
constexpr std::string_view kPassPhrase = "Lantern Harbor Cfg Phrase. WX42Q";
static_assert(kPassPhrase.size() == 32);

std::u16string PathText(const std::filesystem::path& path) { return strings::FromUtf8(strings::PathText(path)); }

}  // namespace

void ConfigFilePayload::StampHeader() {
    format_version = kConfigFormatVersion;
    banner = kBannerBytes;
}

bool ConfigFilePayload::HasValidHeader() const {
    return format_version == kConfigFormatVersion && banner == kBannerBytes;
}

ConfigFilePayload ConfigFilePayload::Decode(std::span<const std::uint8_t, kSize> in) {
    ConfigFilePayload p;
    p.format_version = GetLe32(in, kFormatVersion);
    GetBytes(in, kBanner, p.banner);
    GetBytes(in, kReservedHeader, p.reserved_header);
    p.change_mask = GetLe32(in, kChangeMask);
    GetBytes(in, kCurrentAdminPassword, p.current_admin_password);
    GetBytes(in, kNewAdminPassword, p.new_admin_password);
    p.new_admin_password_length = GetLe32(in, kNewAdminPasswordLength);
    GetBytes(in, kNewUserPassword, p.new_user_password);
    p.settings = protocol::SettingsRecord::Decode(in.subspan<kSettings, protocol::SettingsRecord::kSize>());
    for (std::size_t i = 0; i < p.tags_by_slot.size(); ++i) {
        p.tags_by_slot[i] = protocol::RfidTag::Decode(std::span<const std::uint8_t, protocol::RfidTag::kSize>(
            in.subspan(kTagsBySlot + i * protocol::RfidTag::kSize, protocol::RfidTag::kSize)));
    }
    p.reserved_287 = in[kReserved287];
    for (std::size_t i = 0; i < p.admin_tag.size(); ++i) p.admin_tag[i] = GetLe32(in, kAdminTag + 4 * i);
    p.tag_count = in[kTagCount];
    GetBytes(in, kReserved301, p.reserved_301);
    return p;
}

std::array<std::uint8_t, ConfigFilePayload::kSize> ConfigFilePayload::Encode() const {
    std::array<std::uint8_t, kSize> out{};
    PutLe32(out, kFormatVersion, format_version);
    PutBytes(out, kBanner, banner);
    PutBytes(out, kReservedHeader, reserved_header);
    PutLe32(out, kChangeMask, change_mask);
    PutBytes(out, kCurrentAdminPassword, current_admin_password);
    PutBytes(out, kNewAdminPassword, new_admin_password);
    PutLe32(out, kNewAdminPasswordLength, new_admin_password_length);
    PutBytes(out, kNewUserPassword, new_user_password);
    PutBytes(out, kSettings, settings.Encode());
    for (std::size_t i = 0; i < tags_by_slot.size(); ++i) {
        PutBytes(out, kTagsBySlot + i * protocol::RfidTag::kSize, tags_by_slot[i].Encode());
    }
    out[kReserved287] = reserved_287;
    for (std::size_t i = 0; i < admin_tag.size(); ++i) PutLe32(out, kAdminTag + 4 * i, admin_tag[i]);
    out[kTagCount] = tag_count;
    PutBytes(out, kReserved301, reserved_301);
    return out;
}

protocol::Aes256Key ConfigFileKey() {
    const auto* phrase = reinterpret_cast<const std::uint8_t*>(kPassPhrase.data());
    return protocol::Sha256({phrase, kPassPhrase.size()});
}

std::array<std::uint8_t, kConfigFileSize> EncryptConfigFile(ConfigFilePayload payload) {
    payload.StampHeader();
    std::array<std::uint8_t, kConfigFileSize> plain{};  // the trailer stays zero
    const auto encoded = payload.Encode();
    std::copy(encoded.begin(), encoded.end(), plain.begin());
    std::array<std::uint8_t, kConfigFileSize> out{};
    protocol::EncryptRecord320(out, plain, ConfigFileKey());
    return out;
}

ConfigFilePayload DecryptConfigFile(std::span<const std::uint8_t, kConfigFileSize> bytes) {
    std::array<std::uint8_t, kConfigFileSize> plain{};
    protocol::DecryptRecord320(plain, bytes, ConfigFileKey());
    return ConfigFilePayload::Decode(
        std::span<const std::uint8_t, ConfigFilePayload::kSize>(plain.data(), ConfigFilePayload::kSize));
}

ConfigFileError SaveConfigFile(const std::filesystem::path& path, const ConfigFilePayload& payload) {
    // The file holds the administrator password behind a public key, so it
    // is created readable by its owner only.
    const auto bytes = EncryptConfigFile(payload);
    return ReplaceFile(path, bytes) ? ConfigFileError::None : ConfigFileError::CannotCreate;
}

LoadedConfigFile LoadConfigFile(const std::filesystem::path& path) {
    LoadedConfigFile result;
    // Anything but a regular file is refused before it is read; a FIFO
    // does not block the open.
    std::string problem;
    ReadableFile file = ReadableFile::OpenRegular(path, &problem);
    if (!file.valid()) {
        result.error = ConfigFileError::CannotOpen;
        return result;
    }
    // One byte more than a file may hold tells a longer file from an exact
    // one without trusting the size the folder reports.
    std::array<std::uint8_t, kConfigFileSize + 1> buffer{};
    const std::optional<std::size_t> count = file.Read(buffer, &problem);
    if (!count) {
        result.error = ConfigFileError::CannotOpen;
        return result;
    }
    if (*count != kConfigFileSize) {
        result.error = ConfigFileError::InvalidLength;
        return result;
    }
    std::array<std::uint8_t, kConfigFileSize> plain{};
    protocol::DecryptRecord320(plain, std::span<const std::uint8_t, kConfigFileSize>(buffer.data(), kConfigFileSize),
                               ConfigFileKey());
    result.payload = ConfigFilePayload::Decode(
        std::span<const std::uint8_t, ConfigFilePayload::kSize>(plain.data(), ConfigFilePayload::kSize));
    if (!result.payload.HasValidHeader()) {
        result.error = ConfigFileError::NotAConfigFile;
        result.payload = {};
        return result;
    }
    // No checksum guards the file: what the program never writes is how a
    // damaged file shows, and such a file is not applied to any drive.
    ConfigFileTrailer trailer{};
    std::copy(plain.begin() + ConfigFilePayload::kSize, plain.end(), trailer.begin());
    if (auto damage = FindConfigFileDamage(result.payload, trailer)) {
        result.error = ConfigFileError::Damaged;
        result.damage = std::move(*damage);
        result.payload = {};
    }
    return result;
}

std::u16string ConfigFileErrorMessage(ConfigFileError error, const std::filesystem::path& path,
                                      strings::Language language) {
    const auto with_path = [&](std::u16string_view text) { return std::u16string(text) + PathText(path) + u" )"; };
    switch (error) {
        case ConfigFileError::None: return {};
        case ConfigFileError::CannotCreate: return with_path(u"Fail !, Can not create output file. ( ");
        case ConfigFileError::CannotOpen: return with_path(u"Fail !, Can not open file. ( ");
        case ConfigFileError::InvalidLength: return with_path(u"Fail !, Invalid file length. ( ");
        case ConfigFileError::NotAConfigFile:
            return strings::FormatResString(language, strings::StringId::SettingsFileNotFound);
        case ConfigFileError::Damaged:
            return with_path(language == strings::Language::Korean ? u"실패 !, 구성 파일이 손상되었습니다. ( "
                                                                   : u"Fail !, The configuration file is damaged. ( ");
    }
    return {};
}

std::u16string ConfigFileErrorMessage(const LoadedConfigFile& loaded, const std::filesystem::path& path,
                                      strings::Language language) {
    if (loaded.error != ConfigFileError::Damaged || loaded.damage.empty()) {
        return ConfigFileErrorMessage(loaded.error, path, language);
    }
    std::u16string text = language == strings::Language::Korean ? u"실패 !, 구성 파일이 손상되었습니다: "
                                                                : u"Fail !, The configuration file is damaged: ";
    text += strings::FromUtf8(loaded.damage);
    text += u". ( " + PathText(path) + u" )";
    return text;
}

std::u16string PasswordFieldText(const ConfigFilePayload::Password& field) {
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return strings::FromLatin1(std::span<const std::uint8_t>(field.begin(), end));
}

}  // namespace qx7::storage
