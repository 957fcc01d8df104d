#pragma once
// Hot-plug events from the system's device-change notifications. A hidden
// window on a thread of its own receives WM_DEVICECHANGE: the broadcast
// DBT_DEVNODES_CHANGED (a device node was added or removed) and, for the
// disk, CD-ROM, volume and USB device interfaces it registered for,
// DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/device_watcher.h"

namespace qx7::platform {

// The event a WM_DEVICECHANGE with this wParam gives, if any. A USB device
// interface arriving or leaving is a change of the device tree.
std::optional<transport::DeviceEvent> ClassifyDeviceChange(std::uintptr_t wparam, bool usb_device_interface = false);

class WindowsWatcher final : public transport::DeviceWatcher {
public:
    // Listens from now on. Null with *error set when the window or its
    // notifications cannot be set up.
    static std::unique_ptr<WindowsWatcher> Create(std::string* error);
    ~WindowsWatcher() override;
    WindowsWatcher(const WindowsWatcher&) = delete;
    WindowsWatcher& operator=(const WindowsWatcher&) = delete;

    bool WaitForChange(std::chrono::milliseconds timeout) override;
    // Only sets a flag and an event: safe from a console control handler.
    void Wake() override;
    std::vector<transport::DeviceEvent> TakeEvents() override;

    // The window the notifications arrive at (an HWND).
    std::uintptr_t window() const;

    struct State;

private:
    explicit WindowsWatcher(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace qx7::platform
