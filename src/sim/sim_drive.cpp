#include "sim/sim_drive.h"

#include <cstdio>

namespace qx7::sim {
namespace {

// The settings record of a fresh drive, little-endian at its offsets:
// policy 0x80 (strong password on), self destruct limit 10, languages 0,
// minimum password length 8, password class 0x7E (letter first), byte 19 =
// 1, auto-lock delay 60, no blocked menu entries, no setup id.
constexpr std::array<std::uint8_t, 52> kDefaultSettings = {
    0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 0  policy_flags, reserved
    0x0A, 0x00, 0x00, 0x00,                                      // 8  self_destruct_limit, reserved
    0x00, 0x00, 0x00, 0x00,                                      // 12 languages, reserved
    0x08, 0x7E, 0x00, 0x01,                                      // 16 min length, class, reserved
    0x00, 0x00, 0x00, 0x00,                                      // 20 reserved
    0x3C, 0x00,                                                  // 24 auto_lock_delay
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 26 reserved
    0x00, 0x00, 0x00, 0x00,                                      // 36 block_menu_mask
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 40 reserved
    0x00, 0x00, 0x00, 0x00,                                      // 48 setup_id
};

SimTag MakeTag(std::initializer_list<std::uint8_t> uid) {
    SimTag tag{};
    std::size_t i = 0;
    for (std::uint8_t b : uid) tag[i++] = b;
    tag[16] = static_cast<std::uint8_t>(uid.size());
    return tag;
}

}  // namespace

SimDrive DefaultDrive(std::size_t ordinal) {
    SimDrive drive;
    // "QX7SIM" and ten digits: printable, so the serial number reads well.
    char id_text[17];
    std::snprintf(id_text, sizeof id_text, "QX7SIM%010zu", (ordinal + 1) % 10000000000u);
    for (std::size_t i = 0; i < drive.device_id.size(); ++i) {
        drive.device_id[i] = static_cast<std::uint8_t>(id_text[i]);
    }
    drive.serial_string = id_text;
    // Id block byte 2 = 2: listed by its id block alone, configuration area at 0x0000.
    drive.id_block = {0x51, 0x58, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00};
    // State byte 0 bit 0x01: the configuration area is read during discovery.
    drive.state_block = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    drive.admin_password = "QX7ADMIN";
    drive.user_password = "QX7USER1";
    drive.settings = kDefaultSettings;
    drive.reader_queue = {MakeTag({0x04, 0xA1, 0xB2, 0xC3}), MakeTag({0x04, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66})};
    return drive;
}

}  // namespace qx7::sim
