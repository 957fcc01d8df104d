#pragma once
// Questions about the udev device tree that discovery and the privileged
// helper both ask: which USB device a node belongs to, and how a SCSI disk
// or CD-ROM is reached. Devices passed in are borrowed; devices returned
// without a Ptr are owned by the device they were asked of.

#include <functional>
#include <optional>
#include <string>

#include "platform/linux/udev_handles.h"
#include "transport/device_enumerator.h"
#include "transport/known_device_ids.h"

namespace qx7::platform {

// Calls `visit` for each device of `subsystem` (below `parent`, when it is
// not null), in udev's order (by sysfs path).
void ForEachDevice(udev* context, const char* subsystem, udev_device* parent,
                   const std::function<void(udev_device*)>& visit);

// A sysfs attribute's text, empty when absent.
std::string AttributeText(udev_device* device, const char* name);

// A possibly null C string as a std::string.
std::string TextOf(const char* text);

// The nearest USB device (not interface) above `device`, or null.
udev_device* UsbDeviceAbove(udev_device* device);

// The SCSI device (one logical unit) above `device`, or null.
udev_device* ScsiDeviceAbove(udev_device* device);

// idVendor and idProduct of a USB device; empty when either is unreadable.
std::optional<transport::UsbId> UsbIdOf(udev_device* usb_device);

// The device's major:minor; empty when it has none.
std::optional<transport::DeviceNumber> DeviceNumberOf(udev_device* device);

// Whether a whole block device under a SCSI device is a CD-ROM (SCSI
// peripheral type 5) rather than a disk.
bool IsCdRom(udev_device* block_disk);

// The node of the scsi_generic device that belongs to `scsi_device`; empty
// when it has none (the sg driver is not loaded, or udev made no node).
std::string GenericNodeOf(udev* context, udev_device* scsi_device);

}  // namespace qx7::platform
