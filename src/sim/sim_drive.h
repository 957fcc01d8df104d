#pragma once
// What the drive simulator knows of one simulated QX7: the contents of its
// flash (kept in the state file) and the volatile state of its firmware.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qx7::sim {

// How the drive was unlocked on its keypad.
enum class UnlockMode { Admin, User, Locked };

// An injected fault: every command whose first bytes equal cdb_prefix fails
// as a CHECK CONDITION or as an I/O error, `count` times (-1: always).
struct SimFault {
    enum class Mode { Check, Io };
    std::vector<std::uint8_t> cdb_prefix;
    Mode mode = Mode::Check;
    int count = -1;
};

using SimTag = std::array<std::uint8_t, 19>;

// Persistent state of one drive (one entry of the state file).
struct SimDrive {
    bool plugged = true;
    std::array<std::uint8_t, 16> device_id{};
    std::uint16_t vendor_id = 0x230A;
    std::uint16_t product_id = 0x1180;
    std::string manufacturer = "OSTRIVANCE";
    std::string product = "QX7";
    std::string serial_string;
    std::array<std::uint8_t, 2> firmware{1, 0};  // major, minor
    std::array<std::uint8_t, 8> id_block{};
    std::array<std::uint8_t, 12> state_block{};
    bool has_cdrom = true;
    UnlockMode mode = UnlockMode::Admin;
    std::string admin_password;
    std::string user_password;
    bool rfid_reader = true;
    int languages = 6;  // 4 or 6
    std::array<std::uint8_t, 52> settings{};
    std::vector<SimTag> tags;          // tags stored on the drive
    std::deque<SimTag> reader_queue;   // tags the reader will present next
    std::vector<SimFault> faults;
};

// All simulated drives, in bus order.
struct SimState {
    std::vector<SimDrive> drives;
};

}  // namespace qx7::sim
