#pragma once
// Ctrl+C (SIGINT), SIGTERM and SIGHUP during a batch: while an InterruptSignal is
// alive they do not end the process; they set a flag the batch looks at and
// make a descriptor readable, so that a loop waiting in poll() wakes at
// once. A second signal ends the process as usual.

#include "app/provisioning.h"

namespace qx7::cli {

class InterruptSignal {
public:
    InterruptSignal();
    ~InterruptSignal();
    InterruptSignal(const InterruptSignal&) = delete;
    InterruptSignal& operator=(const InterruptSignal&) = delete;

    const app::StopFlag& flag() const;
    // Readable once a signal came; -1 when it could not be made.
    int wake_descriptor() const;
    // The signal that came, 0 when none.
    int signal_number() const;
};

}  // namespace qx7::cli
