#include "platform/linux/udev_enumerator.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <cstring>

#include "platform/linux/udev_tree.h"
#include "platform/linux/usb_attributes.h"
#include "strings/text_codec.h"

namespace qx7::platform {
namespace {

// Floppy volumes are not reported (block major 2).
constexpr std::uint32_t kFloppyMajor = 2;

bool Is(const char* value, const char* expected) { return value != nullptr && std::strcmp(value, expected) == 0; }

transport::UsbDevice DescribeUsbDevice(udev_device* device) {
    transport::UsbDevice usb;
    if (const auto id = UsbIdOf(device)) {
        usb.vendor_id = id->vendor_id;
        usb.product_id = id->product_id;
    }
    usb.key = TextOf(udev_device_get_syspath(device));
    if (udev_device* parent = udev_device_get_parent(device)) {
        usb.parent_key = TextOf(udev_device_get_syspath(parent));
    }
    usb.port = PortFromUsbName(TextOf(udev_device_get_sysname(device)));
    usb.manufacturer = UsbStringText(AttributeText(device, "manufacturer"));
    usb.product = UsbStringText(AttributeText(device, "product"));
    usb.serial_number = UsbStringText(AttributeText(device, "serial"));
    return usb;
}

std::optional<StorageNode> DescribeBlockDevice(udev* context, udev_device* device) {
    if (!Is(udev_device_get_devtype(device), "disk")) return std::nullopt;
    udev_device* scsi = ScsiDeviceAbove(device);
    if (scsi == nullptr) return std::nullopt;
    StorageNode node;
    node.storage_class = IsCdRom(device) ? transport::StorageClass::CdRom : transport::StorageClass::Disk;
    if (udev_device* usb = UsbDeviceAbove(device)) node.usb_key = TextOf(udev_device_get_syspath(usb));
    node.block_node = TextOf(udev_device_get_devnode(device));
    node.generic_node = GenericNodeOf(context, scsi);
    node.device_number = DeviceNumberOf(device);
    return node;
}

// The volume a mounted block device forms, judged by the whole disk or
// CD-ROM it lies on.
std::optional<transport::Volume> VolumeOf(udev* context, const MountEntry& mount) {
    if (mount.device.major == 0 || mount.device.major == kFloppyMajor) return std::nullopt;
    UdevDevicePtr device(udev_device_new_from_devnum(context, 'b', makedev(mount.device.major, mount.device.minor)));
    if (!device) return std::nullopt;
    udev_device* whole = device.get();
    if (Is(udev_device_get_devtype(whole), "partition")) {
        whole = udev_device_get_parent_with_subsystem_devtype(whole, "block", "disk");
        if (whole == nullptr) return std::nullopt;
    }
    const auto number = DeviceNumberOf(whole);
    if (!number) return std::nullopt;
    transport::Volume volume;
    volume.mount_point = strings::FromUtf8(mount.mount_point);
    volume.device_node = strings::FromUtf8(TextOf(udev_device_get_devnode(device.get())));
    volume.is_cdrom = IsCdRom(whole);
    volume.device_number = *number;
    return volume;
}

}  // namespace

std::unique_ptr<UdevEnumerator> UdevEnumerator::Create(ScsiOpener& opener, std::string* error,
                                                       std::string mount_table) {
    UdevPtr context(udev_new());
    if (!context) {
        *error = "Cannot use udev to find drives (udev_new failed).";
        return nullptr;
    }
    return std::unique_ptr<UdevEnumerator>(new UdevEnumerator(std::move(context), opener, std::move(mount_table)));
}

UdevEnumerator::UdevEnumerator(UdevPtr context, ScsiOpener& opener, std::string mount_table)
    : context_(std::move(context)), opener_(opener), mount_table_(std::move(mount_table)) {}

std::vector<transport::UsbDevice> UdevEnumerator::UsbDevices() {
    std::vector<transport::UsbDevice> devices;
    ForEachDevice(context_.get(), "usb", nullptr, [&](udev_device* device) {
        if (Is(udev_device_get_devtype(device), "usb_device")) devices.push_back(DescribeUsbDevice(device));
    });
    return devices;
}

std::vector<StorageNode> UdevEnumerator::StorageNodes() {
    std::vector<StorageNode> nodes;
    ForEachDevice(context_.get(), "block", nullptr, [&](udev_device* device) {
        if (auto node = DescribeBlockDevice(context_.get(), device)) nodes.push_back(std::move(*node));
    });
    return nodes;
}

std::vector<transport::StorageInterface> UdevEnumerator::StorageInterfaces(transport::StorageClass storage_class) {
    std::vector<transport::StorageInterface> interfaces;
    for (const StorageNode& node : StorageNodes()) {
        if (node.storage_class != storage_class || node.generic_node.empty()) continue;
        interfaces.push_back({node.usb_key, node.generic_node, node.device_number});
    }
    return interfaces;
}

std::vector<transport::Volume> UdevEnumerator::Volumes() {
    std::vector<transport::Volume> volumes;
    std::vector<transport::DeviceNumber> seen;
    for (const MountEntry& mount : ReadMountTable(mount_table_)) {
        if (std::find(seen.begin(), seen.end(), mount.device) != seen.end()) continue;
        if (auto volume = VolumeOf(context_.get(), mount)) {
            seen.push_back(mount.device);
            volumes.push_back(std::move(*volume));
        }
    }
    return volumes;
}

std::unique_ptr<transport::ScsiDevice> UdevEnumerator::Open(const std::string& path) {
    std::string why;
    auto device = opener_.Open(path, &why);
    std::lock_guard lock(failures_mutex_);
    if (device) {
        open_failures_.erase(path);
    } else {
        open_failures_[path] = why.empty() ? "cannot be opened" : why;
    }
    return device;
}

std::string UdevEnumerator::OpenFailure(const std::string& path) const {
    std::lock_guard lock(failures_mutex_);
    const auto it = open_failures_.find(path);
    return it == open_failures_.end() ? std::string() : it->second;
}

}  // namespace qx7::platform
