#pragma once
// What the drive simulator knows of one simulated QX7: the contents of its
// flash, kept in the state file. The firmware's volatile state (channel key,
// pending pre-command, last error) lives in firmware.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace qx7::sim {

// How the drive was unlocked on its keypad.
enum class UnlockMode { Admin, User, Locked };

// An injected fault: every command whose first bytes equal cdb_prefix fails
// as a CHECK CONDITION or as an I/O error, `count` more times (-1: always,
// 0: spent). The command never reaches the firmware.
struct SimFault {
    enum class Mode { Check, Io };
    std::vector<std::uint8_t> cdb_prefix;  // empty: every command
    Mode mode = Mode::Check;
    int count = -1;

    bool operator==(const SimFault&) const = default;
};

// One RFID tag as the reader returns it: 16 uid bytes, uid length, 2 more.
using SimTag = std::array<std::uint8_t, 19>;

inline constexpr std::size_t kSimPasswordMax = 32;   // bytes of a password field
inline constexpr std::size_t kSimStoredTagsMax = 5;  // tags the drive keeps
inline constexpr unsigned kSimLatencyMaxMs = 60000;  // a minute

// Persistent state of one drive (one entry of the state file).
struct SimDrive {
    bool plugged = true;
    std::array<std::uint8_t, 16> device_id{};
    std::uint16_t vendor_id = 0x230A;
    std::uint16_t product_id = 0x1180;
    std::string manufacturer = "OSTRIVANCE";  // USB strings, UTF-8
    std::string product = "QX7";
    std::string serial_string;
    std::array<std::uint8_t, 2> firmware{1, 0};  // major, minor
    std::array<std::uint8_t, 8> id_block{};
    std::array<std::uint8_t, 12> state_block{};
    bool has_cdrom = true;
    UnlockMode mode = UnlockMode::Admin;
    // Passwords as the drive holds them: one byte per character, at most
    // kSimPasswordMax bytes, no zero byte.
    std::string admin_password;
    std::string user_password;
    bool rfid_reader = true;
    int languages = 6;                        // 4 or 6
    std::array<std::uint8_t, 52> settings{};  // "settings_hex" in the file
    std::vector<SimTag> tags;                 // tags stored on the drive, at most kSimStoredTagsMax
    std::deque<SimTag> reader_queue;          // tags the reader will present next
    std::vector<SimFault> faults;
    // Every command to the drive waits this long before the drive answers
    // (at most kSimLatencyMaxMs).
    unsigned latency_ms = 0;
    // A faulty drive: it accepts a settings write (GOOD) and keeps nothing
    // of it.
    bool drops_writes = false;

    bool operator==(const SimDrive&) const = default;
};

// All simulated drives, in bus order.
struct SimState {
    std::vector<SimDrive> drives;
    // When set, the drives draw their channel keys and token indexes from a
    // sequence this number fixes instead of from the system, so that two
    // runs over copies of one file exchange the same bytes (for comparing
    // the traces of two builds).
    std::optional<std::uint32_t> random_seed{};

    bool operator==(const SimState&) const = default;
};

// The drive a new state file gets (ordinal 0), and the values an entry of
// the file takes for the keys it leaves out (ordinal = its index). Only the
// device id and the USB serial string depend on the ordinal.
SimDrive DefaultDrive(std::size_t ordinal);

}  // namespace qx7::sim
