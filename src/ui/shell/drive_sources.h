#pragma once
// Where the desktop program finds its drives: the machine's (from the
// operating system's back end, platform::OpenMachineDrives) or the
// simulator's state file.

#include <functional>
#include <memory>
#include <string>

#include "transport/device_enumerator.h"
#include "transport/device_watcher.h"

namespace qx7::sim {
class SimBus;
class SimSession;
}  // namespace qx7::sim

namespace qx7::ui {

class DriveSource {
public:
    virtual ~DriveSource() = default;
    virtual transport::DeviceEnumerator& enumerator() = 0;
    // Null when the source has no watcher of its own.
    virtual transport::DeviceWatcher* watcher() = 0;
    // The simulator behind the source, or null.
    virtual sim::SimSession* sim_session() { return nullptr; }
    virtual sim::SimBus* sim_bus() { return nullptr; }
};

// The machine's drives. `on_unavailable` receives, on whichever thread
// first opens a drive, why drives cannot be written (for example: the
// administrator's authentication was refused). Null with *error set when
// the system's device services cannot be used.
std::unique_ptr<DriveSource> OpenMachineDrives(std::function<void(const std::string&)> on_unavailable,
                                               std::string* error);

// The simulated drives of the state file `path` (created when missing).
// Null with *error set when the file cannot be used.
std::unique_ptr<DriveSource> OpenSimulatedDrives(const std::string& path, std::string* error);

// The simulator's state file in the user's state folder.
std::string DefaultSimulatorStatePath();

}  // namespace qx7::ui
