#include "sim/sim_bus.h"

#include <optional>
#include <string>
#include <utility>

#include "sim/sim_session.h"
#include "strings/text_codec.h"

namespace qx7::sim {
namespace {

using transport::DeviceEvent;
using transport::DeviceNumber;
using transport::StorageClass;

constexpr char kRootHubKey[] = "sim/usb1";
constexpr std::uint32_t kCdRomMajor = 11;
constexpr std::uint32_t kDiskMajor = 8;
constexpr std::uint32_t kDiskMinorsPerDisk = 16;

std::string Ordinal(std::size_t index) { return std::to_string(index + 1); }

std::string UsbKey(std::size_t index) { return std::string(kRootHubKey) + "/1-" + Ordinal(index); }

std::string InterfacePath(std::size_t index, StorageClass storage_class) {
    return "/dev/qx7sim/" + Ordinal(index) + (storage_class == StorageClass::CdRom ? "/cdrom" : "/disk");
}

DeviceNumber InterfaceNumber(std::size_t index, StorageClass storage_class) {
    const auto i = static_cast<std::uint32_t>(index);
    return storage_class == StorageClass::CdRom ? DeviceNumber{kCdRomMajor, i}
                                                : DeviceNumber{kDiskMajor, i * kDiskMinorsPerDisk};
}

bool HasInterface(const SimDrive& drive, StorageClass storage_class) {
    return drive.plugged && (storage_class == StorageClass::Disk || drive.has_cdrom);
}

}  // namespace

std::vector<DeviceEvent> PlugEvents(const SimDrive& drive, bool plugged) {
    const std::size_t interfaces = drive.has_cdrom ? 2 : 1;
    std::vector<DeviceEvent> events;
    if (plugged) events.push_back(DeviceEvent::NodesChanged);
    events.insert(events.end(), interfaces, plugged ? DeviceEvent::Arrival : DeviceEvent::Removal);
    if (!plugged) events.push_back(DeviceEvent::NodesChanged);
    return events;
}

SimBus::SimBus(SimSession& session) : session_(session) {}

bool SimBus::Plug(std::size_t index, std::string* error) { return SetPlugged(index, true, error); }

bool SimBus::Unplug(std::size_t index, std::string* error) { return SetPlugged(index, false, error); }

bool SimBus::SetPlugged(std::size_t index, bool plugged, std::string* error) {
    const std::lock_guard lock(mutex_);
    std::optional<SimDrive> changed;
    const bool saved = session_.Edit(
        [&](SimState& state) {
            if (index >= state.drives.size() || state.drives[index].plugged == plugged) return;
            SimDrive& drive = state.drives[index];
            drive.plugged = plugged;
            changed = drive;
        },
        error);
    if (!saved || !changed) return false;
    const std::vector<DeviceEvent> events = PlugEvents(*changed, plugged);
    pending_.insert(pending_.end(), events.begin(), events.end());
    changed_.notify_all();
    return true;
}

bool SimBus::WaitForChange(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const bool changed = changed_.wait_for(lock, timeout, [this] { return woken_ || !pending_.empty(); });
    woken_ = false;
    return changed;
}

void SimBus::Wake() {
    const std::lock_guard lock(mutex_);
    woken_ = true;
    changed_.notify_all();
}

std::vector<transport::DeviceEvent> SimBus::TakeEvents() {
    const std::lock_guard lock(mutex_);
    return std::exchange(pending_, {});
}

std::vector<transport::UsbDevice> SimBus::UsbDevices() {
    std::vector<transport::UsbDevice> devices;
    const SimState state = session_.Snapshot();
    const auto& drives = state.drives;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const SimDrive& drive = drives[i];
        if (!drive.plugged) continue;
        transport::UsbDevice device;
        device.vendor_id = drive.vendor_id;
        device.product_id = drive.product_id;
        device.key = UsbKey(i);
        device.parent_key = kRootHubKey;
        device.port = static_cast<std::uint32_t>(i + 1);
        device.manufacturer = strings::FromUtf8(drive.manufacturer);
        device.product = strings::FromUtf8(drive.product);
        device.serial_number = strings::FromUtf8(drive.serial_string);
        devices.push_back(std::move(device));
    }
    return devices;
}

std::vector<transport::StorageInterface> SimBus::StorageInterfaces(StorageClass storage_class) {
    std::vector<transport::StorageInterface> interfaces;
    const SimState state = session_.Snapshot();
    const auto& drives = state.drives;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (!HasInterface(drives[i], storage_class)) continue;
        interfaces.push_back({UsbKey(i), InterfacePath(i, storage_class), InterfaceNumber(i, storage_class)});
    }
    return interfaces;
}

std::vector<transport::Volume> SimBus::Volumes() {
    std::vector<transport::Volume> volumes;
    const SimState state = session_.Snapshot();
    const auto& drives = state.drives;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (HasInterface(drives[i], StorageClass::Disk)) {
            volumes.push_back({strings::FromUtf8("/media/qx7sim/" + Ordinal(i)),
                               strings::FromUtf8(InterfacePath(i, StorageClass::Disk) + "1"), false,
                               InterfaceNumber(i, StorageClass::Disk)});
        }
        if (HasInterface(drives[i], StorageClass::CdRom)) {
            volumes.push_back({u"", strings::FromUtf8(InterfacePath(i, StorageClass::CdRom)), true,
                               InterfaceNumber(i, StorageClass::CdRom)});
        }
    }
    return volumes;
}

std::unique_ptr<transport::ScsiDevice> SimBus::Open(const std::string& path) {
    // The session checks again, under its lock, that the drive is plugged.
    const SimState state = session_.Snapshot();
    const auto& drives = state.drives;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        for (const StorageClass storage_class : {StorageClass::CdRom, StorageClass::Disk}) {
            if (HasInterface(drives[i], storage_class) && InterfacePath(i, storage_class) == path) {
                return session_.Open(i);
            }
        }
    }
    return nullptr;
}

}  // namespace qx7::sim
