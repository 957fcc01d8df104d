#pragma once
// Where qx7ctl finds its drives: the simulator's state file with --sim, the
// platform's drives otherwise; every SCSI command traced with --trace.

#include <iosfwd>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "transport/device_enumerator.h"

namespace qx7::cli {

class DriveAccess {
public:
    virtual ~DriveAccess() = default;
    virtual transport::DeviceEnumerator& enumerator() = 0;
};

// Null with *error set when the simulator's state file cannot be used.
std::unique_ptr<DriveAccess> OpenDriveAccess(const GlobalOptions& options, std::ostream& trace,
                                             std::string* error);

}  // namespace qx7::cli
