#pragma once
// Hot-plug notifications, reduced to the three kinds of change the main
// window reacts to. A watcher either offers a file descriptor that becomes
// readable when events are pending (for a Qt socket notifier or a poll
// loop) or none, in which case its owner polls TakeEvents() on a timer or
// right after it caused a change itself.

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

    // Readable while events are pending; -1 when the watcher has none.
    virtual int PollDescriptor() const = 0;
    // The pending events, oldest first; never blocks.
    virtual std::vector<DeviceEvent> TakeEvents() = 0;
};

}  // namespace qx7::transport
