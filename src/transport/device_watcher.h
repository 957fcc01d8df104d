#pragma once
// Hot-plug notifications, reduced to the three kinds of change the main
// window reacts to. The owner waits for them with WaitForChange (a loop of
// its own, or a thread that hands the events on, as the window's notifier
// does) or takes them right after it caused a change itself.

#include <chrono>
#include <cstdint>
#include <vector>

namespace qx7::transport {

// The numeric values are the platform-neutral event codes the rescan rules
// are written in.
enum class DeviceEvent : std::uint32_t {
    NodesChanged = 0x0007,  // a device was added to or removed from the device tree
    Arrival = 0x8000,       // a storage device or volume arrived
    Removal = 0x8004,       // a storage device or volume is gone
};

class DeviceWatcher {
public:
    virtual ~DeviceWatcher() = default;

    // Blocks until events may be pending, Wake() was called, or `timeout`
    // passed; false only when the time ran out. It takes no events: a call
    // right after one that returned true for pending events returns at once
    // again until TakeEvents took them. A wake is kept until a wait ends
    // on it, so a Wake() just before the wait is not lost.
    virtual bool WaitForChange(std::chrono::milliseconds timeout) = 0;
    // Ends the wait in progress, or the next one, at once. Safe from any
    // thread; the back ends' watchers and the simulator's state-file watcher
    // also from a POSIX signal handler (they only write to a descriptor).
    virtual void Wake() = 0;
    // The pending events, oldest first; never blocks. WaitForChange and
    // TakeEvents are called from one thread at a time.
    virtual std::vector<DeviceEvent> TakeEvents() = 0;
};

}  // namespace qx7::transport
