#pragma once
// Drive discovery's view of a Windows system through the setup and
// configuration-manager services, the USB hub controls and the storage
// device numbers: the USB devices (keyed by device instance id), the disk
// and CD-ROM interfaces below them, and the local volumes with drive letters.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/win32_device_api.h"
#include "transport/device_enumerator.h"

namespace qx7::platform {

// Why an open failed, as discovery and the user see it.
using OpenFailureText = std::function<std::string(std::uint32_t error)>;

class WindowsEnumerator final : public transport::DeviceEnumerator {
public:
    // `describe_failure` turns a failed open's error code into the text
    // OpenFailure gives; by default "Windows error N".
    explicit WindowsEnumerator(std::shared_ptr<Win32DeviceApi> api, OpenFailureText describe_failure = {});

    // Every present USB device. The key is its instance id, provided its
    // driver key can be read and it has a parent; the parent key is the
    // parent's instance id. Vendor and product come from the instance id
    // ("USB\VID_xxxx&PID_xxxx..."). Port and strings are read through the
    // hub controls for the devices with a known id only.
    std::vector<transport::UsbDevice> UsbDevices() override;
    // The interfaces of the class, each with the USB device above it (its
    // parent or grandparent) and its storage device number (major 0).
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass storage_class) override;
    // Local drive letters that are neither network nor floppy drives, with
    // the device number of the disk or CD-ROM under them.
    std::vector<transport::Volume> Volumes() override;
    // Opens the interface for reading and writing.
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override;

    // Why opening `path` failed the last time it failed; empty when it never did.
    std::string OpenFailure(const std::string& path) const;
    // The error code of that failure, 0 when none.
    std::uint32_t OpenError(const std::string& path) const;

private:
    std::optional<std::uint32_t> DeviceNumberOf(const std::u16string& path);

    std::shared_ptr<Win32DeviceApi> api_;
    OpenFailureText describe_failure_;
    mutable std::mutex failures_mutex_;
    std::map<std::string, std::uint32_t> open_failures_;
};

// The instance id's vendor and product when it starts "USB\VID_xxxx&PID_xxxx"
// (any case, hexadecimal digits).
std::optional<std::pair<std::uint16_t, std::uint16_t>> UsbIdsOf(std::u16string_view instance_id);

}  // namespace qx7::platform
