#include "protocol/records.h"

#include "protocol/byte_order.h"
#include "protocol/constants.h"

namespace qx7::protocol {
namespace {

using namespace bytes;

namespace identity {
constexpr std::size_t kFirmwareMajor = 0;
constexpr std::size_t kFirmwareMinor = 1;
constexpr std::size_t kVendorId = 2;   // big-endian
constexpr std::size_t kProductId = 4;  // big-endian
constexpr std::size_t kDeviceId = 6;
}  // namespace identity

namespace last_error {
constexpr std::size_t kErrorCode = 0;
constexpr std::size_t kFailedCommand = 1;
constexpr std::size_t kReserved = 2;
}  // namespace last_error

namespace status {
constexpr std::size_t kFlags = 0;
constexpr std::size_t kReserved = 1;
}  // namespace status

namespace settings {
constexpr std::size_t kPolicyFlags = 0;
constexpr std::size_t kReserved4 = 4;
constexpr std::size_t kSelfDestructLimit = 8;
constexpr std::size_t kReserved10 = 10;
constexpr std::size_t kActiveLanguage = 12;
constexpr std::size_t kAdminLanguage = 13;
constexpr std::size_t kUserLanguage = 14;
constexpr std::size_t kReserved15 = 15;
constexpr std::size_t kMinPasswordLength = 16;
constexpr std::size_t kPasswordCharClass = 17;
constexpr std::size_t kReserved18 = 18;
constexpr std::size_t kReserved19 = 19;
constexpr std::size_t kReserved20 = 20;
constexpr std::size_t kAutoLockDelay = 24;
constexpr std::size_t kReserved26 = 26;
constexpr std::size_t kBlockMenuMask = 36;
constexpr std::size_t kReserved40 = 40;
constexpr std::size_t kSetupId = 48;
}  // namespace settings

namespace tag {
constexpr std::size_t kUid = 0;
constexpr std::size_t kUidLength = 16;
constexpr std::size_t kReserved17 = 17;
}  // namespace tag

namespace upload {
constexpr std::size_t kChangeMask = 0;
constexpr std::size_t kCurrentAdminPassword = 4;
constexpr std::size_t kNewAdminPassword = 36;
constexpr std::size_t kNewUserPassword = 68;
constexpr std::size_t kReserved100 = 100;
constexpr std::size_t kSettings = 132;
constexpr std::size_t kTagCount = 184;
constexpr std::size_t kTags = 185;
}  // namespace upload

static_assert(upload::kTags + SettingsUpload::kTagSlots * RfidTag::kSize == SettingsUpload::kSize);
static_assert(upload::kSettings + SettingsRecord::kSize == upload::kTagCount);

}  // namespace

DriveIdentity DriveIdentity::Decode(std::span<const std::uint8_t, kSize> in) {
    DriveIdentity r;
    r.firmware_major = in[identity::kFirmwareMajor];
    r.firmware_minor = in[identity::kFirmwareMinor];
    r.usb_vendor_id = GetBe16(in, identity::kVendorId);
    r.usb_product_id = GetBe16(in, identity::kProductId);
    GetBytes(in, identity::kDeviceId, r.device_id);
    return r;
}

std::array<std::uint8_t, DriveIdentity::kSize> DriveIdentity::Encode() const {
    std::array<std::uint8_t, kSize> out{};
    out[identity::kFirmwareMajor] = firmware_major;
    out[identity::kFirmwareMinor] = firmware_minor;
    PutBe16(out, identity::kVendorId, usb_vendor_id);
    PutBe16(out, identity::kProductId, usb_product_id);
    PutBytes(out, identity::kDeviceId, device_id);
    return out;
}

LastError LastError::Decode(std::span<const std::uint8_t, kSize> in) {
    LastError r;
    r.error_code = in[last_error::kErrorCode];
    r.failed_command = in[last_error::kFailedCommand];
    GetBytes(in, last_error::kReserved, r.reserved_2);
    return r;
}

std::array<std::uint8_t, LastError::kSize> LastError::Encode() const {
    std::array<std::uint8_t, kSize> out{};
    out[last_error::kErrorCode] = error_code;
    out[last_error::kFailedCommand] = failed_command;
    PutBytes(out, last_error::kReserved, reserved_2);
    return out;
}

bool DriveStatus::admin_unlocked() const { return (flags & kStatusAdminUnlocked) != 0; }
bool DriveStatus::rfid_supported() const { return (flags & kStatusRfidSupported) != 0; }

DriveStatus DriveStatus::Decode(std::span<const std::uint8_t, kSize> in) {
    DriveStatus r;
    r.flags = in[status::kFlags];
    GetBytes(in, status::kReserved, r.reserved_1);
    return r;
}

std::array<std::uint8_t, DriveStatus::kSize> DriveStatus::Encode() const {
    std::array<std::uint8_t, kSize> out{};
    out[status::kFlags] = flags;
    PutBytes(out, status::kReserved, reserved_1);
    return out;
}

SettingsRecord SettingsRecord::Decode(std::span<const std::uint8_t, kSize> in) {
    using namespace settings;
    SettingsRecord r;
    r.policy_flags = GetLe32(in, kPolicyFlags);
    GetBytes(in, kReserved4, r.reserved_4);
    r.self_destruct_limit = GetLe16(in, kSelfDestructLimit);
    GetBytes(in, kReserved10, r.reserved_10);
    r.active_language = in[kActiveLanguage];
    r.admin_language = in[kAdminLanguage];
    r.user_language = in[kUserLanguage];
    r.reserved_15 = in[kReserved15];
    r.min_password_length = in[kMinPasswordLength];
    r.password_char_class = in[kPasswordCharClass];
    r.reserved_18 = in[kReserved18];
    r.reserved_19 = in[kReserved19];
    GetBytes(in, kReserved20, r.reserved_20);
    r.auto_lock_delay = GetLe16(in, kAutoLockDelay);
    GetBytes(in, kReserved26, r.reserved_26);
    r.block_menu_mask = GetLe32(in, kBlockMenuMask);
    GetBytes(in, kReserved40, r.reserved_40);
    r.setup_id = GetLe32(in, kSetupId);
    return r;
}

std::array<std::uint8_t, SettingsRecord::kSize> SettingsRecord::Encode() const {
    using namespace settings;
    std::array<std::uint8_t, kSize> out{};
    PutLe32(out, kPolicyFlags, policy_flags);
    PutBytes(out, kReserved4, reserved_4);
    PutLe16(out, kSelfDestructLimit, self_destruct_limit);
    PutBytes(out, kReserved10, reserved_10);
    out[kActiveLanguage] = active_language;
    out[kAdminLanguage] = admin_language;
    out[kUserLanguage] = user_language;
    out[kReserved15] = reserved_15;
    out[kMinPasswordLength] = min_password_length;
    out[kPasswordCharClass] = password_char_class;
    out[kReserved18] = reserved_18;
    out[kReserved19] = reserved_19;
    PutBytes(out, kReserved20, reserved_20);
    PutLe16(out, kAutoLockDelay, auto_lock_delay);
    PutBytes(out, kReserved26, reserved_26);
    PutLe32(out, kBlockMenuMask, block_menu_mask);
    PutBytes(out, kReserved40, reserved_40);
    PutLe32(out, kSetupId, setup_id);
    return out;
}

RfidTag RfidTag::Decode(std::span<const std::uint8_t, kSize> in) {
    RfidTag r;
    GetBytes(in, tag::kUid, r.uid);
    r.uid_length = in[tag::kUidLength];
    GetBytes(in, tag::kReserved17, r.reserved_17);
    return r;
}

std::array<std::uint8_t, RfidTag::kSize> RfidTag::Encode() const {
    std::array<std::uint8_t, kSize> out{};
    PutBytes(out, tag::kUid, uid);
    out[tag::kUidLength] = uid_length;
    PutBytes(out, tag::kReserved17, reserved_17);
    return out;
}

SettingsUpload SettingsUpload::Decode(std::span<const std::uint8_t, kSize> in) {
    using namespace upload;
    SettingsUpload r;
    r.change_mask = GetLe32(in, kChangeMask);
    GetBytes(in, kCurrentAdminPassword, r.current_admin_password);
    GetBytes(in, kNewAdminPassword, r.new_admin_password);
    GetBytes(in, kNewUserPassword, r.new_user_password);
    GetBytes(in, kReserved100, r.reserved_100);
    r.settings = SettingsRecord::Decode(in.subspan<kSettings, SettingsRecord::kSize>());
    r.tag_count = in[kTagCount];
    for (std::size_t i = 0; i < kTagSlots; ++i) {
        r.tags[i] = RfidTag::Decode(
            std::span<const std::uint8_t, RfidTag::kSize>(in.data() + kTags + i * RfidTag::kSize, RfidTag::kSize));
    }
    return r;
}

std::array<std::uint8_t, SettingsUpload::kSize> SettingsUpload::Encode() const {
    using namespace upload;
    std::array<std::uint8_t, kSize> out{};
    PutLe32(out, kChangeMask, change_mask);
    PutBytes(out, kCurrentAdminPassword, current_admin_password);
    PutBytes(out, kNewAdminPassword, new_admin_password);
    PutBytes(out, kNewUserPassword, new_user_password);
    PutBytes(out, kReserved100, reserved_100);
    PutBytes(out, kSettings, settings.Encode());
    out[kTagCount] = tag_count;
    for (std::size_t i = 0; i < kTagSlots; ++i) PutBytes(out, kTags + i * RfidTag::kSize, tags[i].Encode());
    return out;
}

}  // namespace qx7::protocol
