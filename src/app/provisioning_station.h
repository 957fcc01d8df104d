#pragma once
// A provisioning station: keeps watching for drives and configures each one
// plugged in, once per run, through ProvisionDrive, until it is stopped or
// has configured the number of drives asked for. Drives present when it
// starts are configured too. A drive whose serial number was configured (or
// is being configured) earlier in the run is read and skipped; a drive that
// failed is tried again when it is plugged in again, even while its failing
// attempt still ran.
//
// Hot-plug comes from a DeviceWatcher, as in the window: after the last of
// a burst of events has settled, the drives are scanned again and every
// drive that was not there at the previous scan is started.

#include <chrono>
#include <cstddef>
#include <vector>

#include "app/provisioning.h"
#include "transport/device_watcher.h"

namespace qx7::app {

struct StationSettings {
    std::size_t count = 0;  // stop after this many drives configured; 0: until stopped
    std::size_t jobs = 1;   // drives configured at once
    // Quiet time after the last device event before the rescan (the window
    // waits three ticks of its 500 ms timer).
    std::chrono::milliseconds settle{1500};
};

// Runs the station on the calling thread, waiting on the watcher. Whoever
// sets `stop` should also wake the watcher (DeviceWatcher::Wake), so that
// the station notices at once. Returns every drive's outcome, in the
// order they finished; drives still working when it stops are waited for.
std::vector<DriveOutcome> RunStation(const ProvisioningPlan& plan, transport::DeviceEnumerator& devices,
                                     transport::DeviceWatcher& watcher, const StationSettings& settings,
                                     const DriveContextFactory& contexts, const OutcomeHandler& finished,
                                     const StopFlag& stop);

}  // namespace qx7::app
