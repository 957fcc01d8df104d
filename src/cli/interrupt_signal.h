#pragma once
// Ctrl+C (SIGINT), SIGTERM and SIGHUP during a batch, and on Windows Ctrl+C,
// Ctrl+Break and closing the console: while an InterruptSignal is alive they
// do not end the process; they set a flag the batch looks at and wake the
// watcher a station waits on, so that it stops at once. A second one ends
// the process as usual. One implementation per system (cli/<api>/).

#include "app/provisioning.h"
#include "transport/device_watcher.h"

namespace qx7::cli {

class InterruptSignal {
public:
    InterruptSignal();
    ~InterruptSignal();
    InterruptSignal(const InterruptSignal&) = delete;
    InterruptSignal& operator=(const InterruptSignal&) = delete;

    const app::StopFlag& flag() const;
    // The watcher a signal wakes (DeviceWatcher::Wake); null: none. It must
    // be one whose Wake is safe in a signal handler, and it is unset again
    // before the watcher ends.
    void WakeOnSignal(transport::DeviceWatcher* watcher);
    // The signal that came, 0 when none; on Windows every console event
    // counts as SIGINT (2), so that the exit status is 130 there too.
    int signal_number() const;
};

}  // namespace qx7::cli
