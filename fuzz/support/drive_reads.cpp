#include "support/drive_reads.h"

#include <ostream>

#include "protocol/system_commands.h"

namespace qx7::fuzz {

DriveReads ReadEverything(transport::ScsiDevice& device) {
    // The settings-read diagnostic goes nowhere.
    std::ostream silent(nullptr);
    DriveReads reads;
    reads.reading = protocol::ReadDrive(device, reads.keys, reads.serial_text, &silent);
    reads.last_error_ok = protocol::ReadLastError(device, reads.last_error);
    reads.tag_ok = protocol::ReadRfidTag(device, reads.tag);
    reads.six_languages = protocol::PageBanksDiffer(device);
    return reads;
}

}  // namespace qx7::fuzz
