#pragma once
// The commands the privileged helper passes to a drive: the rows of the
// command table (transport/command_table.h), each in exactly the form the
// drive takes it, and nothing else. A command is checked by finding its row,
// rebuilding the row's block with the fields the row lets vary (a page's
// address, a token; a pre-command's announced buffer and checksum) and
// comparing every byte, the direction and the transfer length: a system
// command's code and length are both pinned to its row. The RFID tag read,
// whose template bytes 6 and 7 are 0x13 0x88, is taken only in its one exact
// form.

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
