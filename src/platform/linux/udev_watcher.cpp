#include "platform/linux/udev_watcher.h"

#include <fcntl.h>
#include <poll.h>

#include "platform/linux/udev_tree.h"

namespace qx7::platform {
namespace {

using transport::DeviceEvent;

// A burst of uevents is read in one go, but a monitor that never runs dry
// must not keep the caller's loop forever.
constexpr int kMaxUeventsPerTake = 4096;

bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0 && (entry.revents & POLLIN) != 0;
}

}  // namespace

std::optional<DeviceEvent> ClassifyUevent(std::string_view subsystem, std::string_view devtype,
                                          std::string_view action) {
    const bool added = action == "add";
    const bool removed = action == "remove";
    if (!added && !removed) return std::nullopt;
    if (subsystem == "block") return added ? DeviceEvent::Arrival : DeviceEvent::Removal;
    if (subsystem == "usb" && devtype == "usb_device") return DeviceEvent::NodesChanged;
    return std::nullopt;
}

std::unique_ptr<UdevWatcher> UdevWatcher::Create(std::string* error) {
    UdevPtr context(udev_new());
    if (!context) {
        *error = "Cannot watch for drives: udev_new failed.";
        return nullptr;
    }
    UdevMonitorPtr monitor(udev_monitor_new_from_netlink(context.get(), "udev"));
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "block", nullptr) < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "usb", "usb_device") < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        *error = "Cannot watch for drives: the udev monitor could not be set up.";
        return nullptr;
    }
    const int fd = udev_monitor_get_fd(monitor.get());
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) {
        *error = "Cannot watch for drives: the udev monitor socket cannot be made non-blocking.";
        return nullptr;
    }
    return std::unique_ptr<UdevWatcher>(new UdevWatcher(std::move(context), std::move(monitor)));
}

UdevWatcher::UdevWatcher(UdevPtr context, UdevMonitorPtr monitor)
    : context_(std::move(context)), monitor_(std::move(monitor)) {}

int UdevWatcher::MonitorDescriptor() const { return udev_monitor_get_fd(monitor_.get()); }

bool UdevWatcher::WaitForChange(std::chrono::milliseconds timeout) {
    return wake_.WaitReadable(MonitorDescriptor(), timeout);
}

std::vector<DeviceEvent> UdevWatcher::TakeEvents() {
    std::vector<DeviceEvent> events;
    for (int i = 0; i < kMaxUeventsPerTake && Readable(MonitorDescriptor()); ++i) {
        UdevDevicePtr device(udev_monitor_receive_device(monitor_.get()));
        if (!device) continue;  // filtered out or unreadable: nothing to report
        const auto event =
            ClassifyUevent(TextOf(udev_device_get_subsystem(device.get())),
                           TextOf(udev_device_get_devtype(device.get())), TextOf(udev_device_get_action(device.get())));
        if (event) events.push_back(*event);
    }
    return events;
}

}  // namespace qx7::platform
