#pragma once
// Every read the program makes of an opened drive, in one fixed order: the
// read for the main form (identity, channel keys, settings, status), then
// the last error, one RFID tag and the memory-bank probe. The drive-answer
// target runs it over fuzz answers and the seed maker over the simulator,
// so a seed's answers line up with the commands the target sends.

#include <array>
#include <cstdint>
#include <string>

#include "protocol/constants.h"
#include "protocol/read_sequence.h"
#include "transport/scsi_device.h"

namespace qx7::fuzz {

struct DriveReads {
    protocol::ChannelKeys keys;
    std::u16string serial_text;
    protocol::DriveReading reading;
    bool last_error_ok = false;
    std::array<std::uint8_t, protocol::kLastErrorLength> last_error{};
    bool tag_ok = false;
    std::array<std::uint8_t, protocol::kRfidTagLength> tag{};
    bool six_languages = false;
};

DriveReads ReadEverything(transport::ScsiDevice& device);

}  // namespace qx7::fuzz
