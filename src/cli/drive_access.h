#pragma once
// Where qx7ctl finds its drives: the simulator's state file with --sim, the
// machine's drives from the operating system's back end
// (platform::OpenMachineDrives) otherwise; every SCSI command traced with
// --trace.

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "transport/device_enumerator.h"
#include "transport/device_watcher.h"
#include "transport/discovery.h"

namespace qx7::cli {

class DriveAccess {
public:
    virtual ~DriveAccess() = default;
    virtual transport::DeviceEnumerator& enumerator() = 0;

    // Why no drive can be opened at all (for example: administrator
    // authentication was refused), for the user; empty otherwise.
    virtual std::string AccessProblem() const { return {}; }
    // Why opening `path` failed during the last scan; empty when it did not.
    virtual std::string OpenFailure(const std::string& /*path*/) const { return {}; }
    // What the platform found below a USB device (block and SCSI generic
    // nodes), one line each, for list --verbose.
    virtual std::vector<std::string> NodeDetails(const std::string& /*usb_key*/) { return {}; }
    // Hot-plug events from now on: the back end's for real drives, the state
    // file's changes for simulated ones (a change it refuses is handed to
    // `problem`). Null with *error set when they cannot be had.
    virtual std::unique_ptr<transport::DeviceWatcher> Watch(std::function<void(const std::string&)> problem,
                                                            std::string* error) = 0;
};

using transport::DeviceNumberText;

// Null with *error set when the simulator's state file or the platform's
// device services cannot be used. `messages` (standard error) receives the
// trace lines with --trace, and the reason real drives cannot be reached
// when that first becomes known.
std::unique_ptr<DriveAccess> OpenDriveAccess(const GlobalOptions& options, std::ostream& messages, std::string* error);

// The drives, scanned: the access that found them and the table of the scan.
struct ScannedDrives {
    std::unique_ptr<DriveAccess> access;
    transport::DriveTable table;
};

// Opens the drive access and scans it; nothing, with the reason written to
// standard error, when the access cannot be opened.
std::optional<ScannedDrives> ScanForDrives(const GlobalOptions& options);

}  // namespace qx7::cli
