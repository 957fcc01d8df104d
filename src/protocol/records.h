#pragma once
// The fixed-size records the drive and the configuration file exchange,
// with codecs that read and write every field at its explicit offset.
// Decoders take exactly the record's size; nothing relies on struct layout.

#include <array>
#include <cstdint>
#include <span>

namespace qx7::protocol {

using Bytes4 = std::array<std::uint8_t, 4>;

// Answer of kCmdIdentity, 22 bytes, plain. The USB identifiers are the only
// big-endian fields of the command set.
struct DriveIdentity {
    static constexpr std::size_t kSize = 22;
    std::uint8_t firmware_major = 0;
    std::uint8_t firmware_minor = 0;
    std::uint16_t usb_vendor_id = 0;
    std::uint16_t usb_product_id = 0;
    std::array<std::uint8_t, 16> device_id{};

    static DriveIdentity Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const DriveIdentity&) const = default;
};

// Answer of kCmdLastError, 4 bytes, plain.
struct LastError {
    static constexpr std::size_t kSize = 4;
    std::uint8_t error_code = 0;
    std::uint8_t failed_command = 0;
    std::array<std::uint8_t, 2> reserved_2{};

    static LastError Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const LastError&) const = default;
};

// Answer of kCmdStatus, 32 bytes, plain; only byte 0 carries meaning.
struct DriveStatus {
    static constexpr std::size_t kSize = 32;
    std::uint8_t flags = 0;
    std::array<std::uint8_t, 31> reserved_1{};

    bool admin_unlocked() const;
    bool rfid_supported() const;
    static DriveStatus Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const DriveStatus&) const = default;
};

// The drive's 52-byte block of policy settings. Fields named reserved_* are
// carried over unchanged from what was last read.
struct SettingsRecord {
    static constexpr std::size_t kSize = 52;
    std::uint32_t policy_flags = 0;
    Bytes4 reserved_4{};
    std::uint16_t self_destruct_limit = 0;
    std::array<std::uint8_t, 2> reserved_10{};
    std::uint8_t active_language = 0;
    std::uint8_t admin_language = 0;
    std::uint8_t user_language = 0;
    std::uint8_t reserved_15 = 0;
    std::uint8_t min_password_length = 0;
    std::uint8_t password_char_class = 0;
    std::uint8_t reserved_18 = 0;
    std::uint8_t reserved_19 = 0;
    Bytes4 reserved_20{};
    std::uint16_t auto_lock_delay = 0;
    std::array<std::uint8_t, 10> reserved_26{};
    std::uint32_t block_menu_mask = 0;
    std::array<std::uint8_t, 8> reserved_40{};
    std::uint32_t setup_id = 0;

    static SettingsRecord Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const SettingsRecord&) const = default;
};

// One RFID tag entry, 19 bytes, stored and sent back unchanged.
struct RfidTag {
    static constexpr std::size_t kSize = 19;
    std::array<std::uint8_t, 16> uid{};
    std::uint8_t uid_length = 0;
    std::array<std::uint8_t, 2> reserved_17{};

    static RfidTag Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const RfidTag&) const = default;
};

// The 280-byte plaintext of the settings write.
struct SettingsUpload {
    static constexpr std::size_t kSize = 280;
    static constexpr std::size_t kPasswordSize = 32;
    static constexpr std::size_t kTagSlots = 5;
    using Password = std::array<std::uint8_t, kPasswordSize>;

    std::uint32_t change_mask = 0;
    Password current_admin_password{};
    Password new_admin_password{};
    Password new_user_password{};
    Password reserved_100{};
    SettingsRecord settings;
    std::uint8_t tag_count = 0;  // as sent; the drive expects 0 to 5
    std::array<RfidTag, kTagSlots> tags{};

    static SettingsUpload Decode(std::span<const std::uint8_t, kSize> in);
    std::array<std::uint8_t, kSize> Encode() const;
    bool operator==(const SettingsUpload&) const = default;
};

}  // namespace qx7::protocol
