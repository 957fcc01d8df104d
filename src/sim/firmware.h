#pragma once
// The simulated drive's firmware: parses each command block a host sends,
// checks it as the drive does, and lays out the answer. Which commands exist,
// their buffer ids, codes, lengths and token positions come from the command
// table (transport/command_table.h) that the host uses too; the firmware
// shares no record codec or command-block builder with the host side, so
// that a layout mistake on either side shows up as a refusal instead of
// cancelling out.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "sim/sim_drive.h"
#include "transport/scsi_device.h"

namespace qx7::sim {

// Last-error codes the firmware reports through system command 0x02 for
// system commands it refuses. 0x16, 0x17, 0x19 and 0x20 are the codes the
// host knows for a refused settings write; the others are the simulator's.
inline constexpr std::uint8_t kErrorUnknownCommand = 0x10;    // unknown system command code
inline constexpr std::uint8_t kErrorMalformedCommand = 0x11;  // wrong block length or direction
inline constexpr std::uint8_t kErrorWrongToken = 0x12;        // bytes 8-11 are not the token
inline constexpr std::uint8_t kErrorNoChannel = 0x13;         // no channel key made yet (0x7E)
inline constexpr std::uint8_t kErrorNotAnnounced = 0x14;      // 0x31 without its pre-command
inline constexpr std::uint8_t kErrorDriveLocked = 0x15;       // the keypad has not unlocked it
inline constexpr std::uint8_t kErrorWrongAdminPassword = 0x16;
inline constexpr std::uint8_t kErrorUserMode = 0x17;
inline constexpr std::uint8_t kErrorParameterSize = 0x19;  // wrong transfer length / tag count
inline constexpr std::uint8_t kErrorAdminPasswordRefused = 0x20;
inline constexpr std::uint8_t kErrorNoReader = 0x21;  // 0x38 on a drive without reader
inline constexpr std::uint8_t kErrorNoTag = 0x22;     // 0x38 with nothing presented

// The firmware's volatile state: lost when the drive loses power, shared by
// every handle open on the drive.
struct FirmwareRuntime {
    // The channel, made by system command 0x7E.
    bool channel_keyed = false;
    std::array<std::uint8_t, 32> channel_key{};
    std::array<std::uint8_t, 16> token_index{};  // each 0 to 28
    std::array<std::uint8_t, 32> channel_check{};

    // What the last command announced, when it was a pre-command.
    struct Announcement {
        std::uint8_t buffer_id = 0;
        std::uint16_t checksum = 0;
    };
    std::optional<Announcement> announcement;

    // The answer of system command 0x02.
    std::uint8_t error_code = 0;
    std::uint8_t failed_command = 0;
};

// Fills its argument with random bytes (std::random_device by default).
using RandomSource = std::function<void(std::span<std::uint8_t>)>;
void SystemRandom(std::span<std::uint8_t> out);
// A source that gives the same bytes for the same seed on every system:
// SHA-256 of the seed and a counter, block after block.
RandomSource SeededRandom(std::uint32_t seed);

// What one command did: the answer, and whether it changed the drive's
// persistent state (what the state file holds), so that the caller saves
// only then.
struct FirmwareOutcome {
    transport::ScsiResult result;
    bool drive_changed = false;
};

// Runs one command on `drive`: on success fills request.data (data-in) and
// reports GOOD status; a refusal is CHECK CONDITION (status 2) with nothing
// transferred. May change `drive` (what a settings write stores, the tag a
// read takes from the reader), which the outcome reports, and `runtime`
// (never reported: it is not saved). Does not look at `plugged` or
// `faults`: those belong to the simulated bus.
[[nodiscard]] FirmwareOutcome RunFirmwareCommand(SimDrive& drive, FirmwareRuntime& runtime,
                                                 const transport::ScsiRequest& request,
                                                 const RandomSource& random = SystemRandom);

// Memory pages (1024 bytes, read with buffer ids 0x22 and 0xC2). The
// readable pages are the four of the 4 KiB configuration area (at 0x0000
// when id_block byte 2 is 2 or more, else at 0x1000) and the two bank pages
// 0x1000 and 0x81000. Their bytes are derived from the device id and the
// address; a four-language drive mirrors 0x80000 and up onto the first
// bank, so its two bank pages are equal.
bool IsReadablePage(const SimDrive& drive, std::uint32_t address);
std::array<std::uint8_t, 1024> MemoryPage(const SimDrive& drive, std::uint32_t address);

}  // namespace qx7::sim
