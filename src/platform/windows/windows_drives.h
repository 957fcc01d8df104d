#pragma once
// The Windows back end put together: discovery and pass-through over the
// device services, notifications for hot-plug, and the texts for the user.
// Pass-through to a disk needs an elevated process; without elevation every
// front end is told so in one line that names what to do.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/machine_drives.h"
#include "platform/windows/win32_device_api.h"
#include "platform/windows/windows_enumerator.h"

namespace qx7::platform {

// What a process without elevation must do, for the front end's user.
std::string ElevationAdvice(FrontEnd front_end);

// The text for an open that failed with a Windows error code.
std::string OpenErrorText(std::uint32_t error, bool elevated, FrontEnd front_end);

class WindowsDrives final : public MachineDrives {
public:
    WindowsDrives(std::shared_ptr<Win32DeviceApi> api, bool elevated, FrontEnd front_end,
                  AccessProblemHandler on_access_problem);

    transport::DeviceEnumerator& enumerator() override { return opener_; }
    std::string AccessProblem() const override;
    std::string OpenFailure(const std::string& path) const override { return windows_.OpenFailure(path); }
    // Each disk and CD-ROM interface below the USB device, and whether it
    // opens for commands.
    std::vector<std::string> NodeDetails(const std::string& usb_key) override;
    std::unique_ptr<transport::DeviceWatcher> Watch(std::string* error) override;

private:
    // Tells the user once when an open fails for want of elevation.
    class Opener final : public transport::ForwardingEnumerator {
    public:
        Opener(WindowsDrives& drives, WindowsEnumerator& inner)
            : transport::ForwardingEnumerator(inner), drives_(drives) {}
        std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override;

    private:
        WindowsDrives& drives_;
    };

    bool elevated_;
    FrontEnd front_end_;
    AccessProblemHandler on_access_problem_;
    std::atomic<bool> told_{false};
    WindowsEnumerator windows_;
    Opener opener_;
};

}  // namespace qx7::platform
