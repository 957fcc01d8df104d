#include "platform/linux/udev_tree.h"

#include <sys/sysmacros.h>

#include "platform/linux/usb_attributes.h"

namespace qx7::platform {
namespace {

constexpr const char* kScsiPeripheralCdRom = "5";

}  // namespace

void ForEachDevice(udev* context, const char* subsystem, udev_device* parent,
                   const std::function<void(udev_device*)>& visit) {
    UdevEnumeratePtr enumerate(udev_enumerate_new(context));
    if (!enumerate) return;
    udev_enumerate_add_match_subsystem(enumerate.get(), subsystem);
    if (parent != nullptr) udev_enumerate_add_match_parent(enumerate.get(), parent);
    if (udev_enumerate_scan_devices(enumerate.get()) < 0) return;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        UdevDevicePtr device(udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (device) visit(device.get());
    }
}

std::string TextOf(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

std::string AttributeText(udev_device* device, const char* name) {
    return TextOf(udev_device_get_sysattr_value(device, name));
}

udev_device* UsbDeviceAbove(udev_device* device) {
    return udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
}

udev_device* ScsiDeviceAbove(udev_device* device) {
    return udev_device_get_parent_with_subsystem_devtype(device, "scsi", "scsi_device");
}

std::optional<transport::UsbId> UsbIdOf(udev_device* usb_device) {
    const auto vendor = ParseUsbIdText(AttributeText(usb_device, "idVendor"));
    const auto product = ParseUsbIdText(AttributeText(usb_device, "idProduct"));
    if (!vendor || !product) return std::nullopt;
    return transport::UsbId{*vendor, *product};
}

std::optional<transport::DeviceNumber> DeviceNumberOf(udev_device* device) {
    const dev_t number = udev_device_get_devnum(device);
    if (number == 0) return std::nullopt;
    return transport::DeviceNumber{major(number), minor(number)};
}

bool IsCdRom(udev_device* block_disk) {
    udev_device* scsi = ScsiDeviceAbove(block_disk);
    return scsi != nullptr && AttributeText(scsi, "type") == kScsiPeripheralCdRom;
}

std::string GenericNodeOf(udev* context, udev_device* scsi_device) {
    std::string node;
    ForEachDevice(context, "scsi_generic", scsi_device, [&node](udev_device* generic) {
        // The match on the parent also yields the parent itself.
        if (node.empty() && TextOf(udev_device_get_subsystem(generic)) == "scsi_generic") {
            node = TextOf(udev_device_get_devnode(generic));
        }
    });
    return node;
}

}  // namespace qx7::platform
