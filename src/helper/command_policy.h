#pragma once
// The commands the privileged helper passes to a drive: the QX7's own
// command set, each in exactly the form the drive takes it, and nothing
// else. A command is checked by rebuilding its expected block from the
// fields it may vary (address, system command code, token, length) and
// comparing every byte, the direction and the transfer length. The RFID tag
// read, whose template bytes 6 and 7 are 0x13 0x88, is taken only in its
// one exact form.

#include <array>
#include <cstdint>
#include <string>

#include "transport/scsi_device.h"

namespace qx7::helper {

struct CommandShape {
    std::array<std::uint8_t, 16> cdb{};  // bytes past cdb_length are zero
    std::uint8_t cdb_length = 0;
    transport::DataDirection direction = transport::DataDirection::None;
    std::uint32_t transfer_length = 0;
};

// Empty when the command may be sent; otherwise why it is refused.
std::string CommandRefusal(const CommandShape& shape);

}  // namespace qx7::helper
