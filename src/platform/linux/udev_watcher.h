#pragma once
// Hot-plug events from a udev monitor: a block device (disk, CD-ROM or
// partition) added is an arrival, one removed a removal, and a USB device
// added or removed a change of the device tree. Other devices and other
// actions ("change", "bind", …) give nothing.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/udev_handles.h"
#include "storage/posix/file_descriptor.h"
#include "transport/device_watcher.h"

namespace qx7::platform {

// The event one uevent gives, if any.
std::optional<transport::DeviceEvent> ClassifyUevent(std::string_view subsystem, std::string_view devtype,
                                                     std::string_view action);

class UdevWatcher final : public transport::DeviceWatcher {
public:
    // Listens from now on. Null with *error set when udev cannot be used.
    static std::unique_ptr<UdevWatcher> Create(std::string* error);

    // Waits on the monitor's socket (readable while uevents wait) and the
    // wake channel.
    bool WaitForChange(std::chrono::milliseconds timeout) override;
    void Wake() override { wake_.Signal(); }
    // Reads every waiting uevent and returns the events they give.
    std::vector<transport::DeviceEvent> TakeEvents() override;

private:
    UdevWatcher(UdevPtr context, UdevMonitorPtr monitor);
    int MonitorDescriptor() const;

    UdevPtr context_;
    UdevMonitorPtr monitor_;
    storage::WakeChannel wake_;
};

}  // namespace qx7::platform
