#pragma once
// The eight operations of the drive's command set. Each sends its command
// block through a ScsiDevice and returns true only when the platform call
// worked and the drive answered GOOD status. They keep no state, never
// retry and never look at sense data; callers turn a failure into their own
// message.
//
// Three commands (the two memory page reads and the system write) must be
// announced by a checksummed pre-command; the operation sends that
// pre-command itself, right before its own command, and gives up without
// sending the command when the pre-command fails.

#include <cstdint>
#include <span>

#include "transport/command_blocks.h"
#include "transport/scsi_device.h"

namespace qx7::transport {

// Fixed-size reads: `out` is zero-filled first and receives only the bytes
// the drive actually transferred; on failure it holds zeros.
bool ReadDeviceIdBlock(ScsiDevice& device, std::span<std::uint8_t, kIdBlockSize> out);
bool ReadDeviceStateBlock(ScsiDevice& device, std::span<std::uint8_t, kStateBlockSize> out);
bool ScsiInquiry(ScsiDevice& device, std::span<std::uint8_t, kInquirySize> out);
bool ReadMemoryPage(ScsiDevice& device, std::uint32_t address, std::span<std::uint8_t, kMemoryPageSize> out);
// The drive writes straight into `out` (no intermediate copy).
bool ReadMemoryPageDirect(ScsiDevice& device, std::uint32_t address, std::span<std::uint8_t, kMemoryPageSize> out);

// System command `code` with `length` bytes in. On success `out` receives
// the bytes transferred; on failure it is left as the caller had it. A
// length above kMaxTransferLength or beyond `out` is refused unsent.
bool SystemCommandRead(ScsiDevice& device, std::uint8_t code, const CommandTemplate& tmpl, std::uint32_t length,
                       std::span<std::uint8_t> out);
// The system read of a row of the command table, in the row's exact form
// and length (`tmpl` supplies only a SystemToken row's token, bytes 8-11).
// On success `out` receives the bytes transferred; on failure it is left as
// the caller had it. Refused unsent when the row is not a system read or its
// length is beyond `out`.
bool SystemCommandRead(ScsiDevice& device, const DriveCommand& command, const CommandTemplate& tmpl,
                       std::span<std::uint8_t> out);
// Sends `length` bytes of `data` as system command 0x31 (always that code,
// whatever the template holds). A length above kMaxTransferLength or beyond
// `data` is refused unsent.
bool SystemCommandWrite(ScsiDevice& device, const CommandTemplate& tmpl, std::uint32_t length,
                        std::span<const std::uint8_t> data);

// The pre-command announcing `announced`. Only the three operations above
// that need it call this; it is public so that tests can drive it alone.
bool SendPreCommand(ScsiDevice& device, const CommandBlock& announced);

}  // namespace qx7::transport
