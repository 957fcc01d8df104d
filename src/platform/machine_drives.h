#pragma once
// The drives attached to this machine, as the operating system's back end
// gives them: what discovery lists and opens, hot-plug events, and what the
// front ends tell the user when drives cannot be reached. Every operating
// system supplies OpenMachineDrives in its own folder (src/platform/<os>);
// CMake compiles the one of the target system, so the programs never name
// an operating system.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/device_enumerator.h"
#include "transport/device_watcher.h"

namespace qx7::platform {

// Which program asks: the advice in the messages about drive access names
// what that program's user can do.
enum class FrontEnd { CommandLine, Window };

class MachineDrives {
public:
    virtual ~MachineDrives() = default;

    // Lists the machine's USB devices, storage interfaces and volumes, and
    // opens storage interfaces for SCSI commands (safe from several threads).
    virtual transport::DeviceEnumerator& enumerator() = 0;
    // Why no drive can be opened at all (for example: the administrator's
    // authentication was refused), for the user; empty otherwise.
    virtual std::string AccessProblem() const = 0;
    // Why opening `path` failed the last time it failed; empty when it never did.
    virtual std::string OpenFailure(const std::string& path) const = 0;
    // What the back end found below a USB device (its storage nodes and
    // whether each can be opened), one line each, for a detailed listing.
    virtual std::vector<std::string> NodeDetails(const std::string& usb_key) = 0;
    // Hot-plug events from now on; several watchers may exist at once. Null
    // with *error set when the system cannot report them.
    virtual std::unique_ptr<transport::DeviceWatcher> Watch(std::string* error) = 0;
};

// Called once, with the text for the user, when the first drive is opened
// and drives turn out not to be reachable (on whichever thread opened it).
using AccessProblemHandler = std::function<void(const std::string&)>;

// The machine's drives. Null with *error set when the system's device
// services cannot be used at all.
std::unique_ptr<MachineDrives> OpenMachineDrives(FrontEnd front_end, AccessProblemHandler on_access_problem,
                                                 std::string* error);

}  // namespace qx7::platform
