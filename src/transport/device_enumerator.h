#pragma once
// What drive discovery needs from a platform: the USB devices that are
// present, the disk and CD-ROM storage interfaces below them, the volumes on
// those, and a way to open a storage interface for SCSI commands.
//
// A back end reports what it sees and decides nothing: discovery matches the
// USB ids, ties interfaces to USB devices by key and volumes to interfaces by
// device number and class. Each call takes a fresh snapshot. The listing
// calls are made from one thread at a time; Open may be called from several
// threads at once (a batch configures its drives in parallel).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "transport/scsi_device.h"

namespace qx7::transport {

// Identifies one storage device among those present. On Linux the block
// device's major:minor; a platform with a single number uses major 0.
struct DeviceNumber {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;

    bool operator==(const DeviceNumber&) const = default;
};

// "8:16", or "no device number".
std::string DeviceNumberText(const std::optional<DeviceNumber>& number);

struct UsbDevice {
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    // Stable for as long as the device stays connected and unique among the
    // present devices (Linux: the sysfs path). Empty when it cannot be read;
    // such a device is never taken as a drive.
    std::string key;
    // Key of the hub the device hangs on; empty when it has no parent.
    std::string parent_key;
    // 1-based port on that hub; 0 when unknown.
    std::uint32_t port = 0;
    // String descriptor texts, empty when the device has none or they could
    // not be read. Their length is whatever the device sent.
    std::u16string manufacturer;
    std::u16string product;
    std::u16string serial_number;
};

enum class StorageClass { CdRom, Disk };

struct StorageInterface {
    // Key of the USB device this interface belongs to; empty when none was
    // found above it.
    std::string usb_key;
    // What Open() takes to send SCSI commands to this interface (Linux: the
    // scsi_generic node of the disk or CD-ROM).
    std::string path;
    // Absent when the platform could not tell it.
    std::optional<DeviceNumber> device_number;
};

// A local volume on a disk or CD-ROM. Network and floppy volumes are not
// reported.
struct Volume {
    // Where it is mounted; empty when it is not mounted.
    std::u16string mount_point;
    // The block device node of the volume (Linux: /dev/sdb1, /dev/sr0).
    std::u16string device_node;
    // The volume lies on a CD-ROM device rather than on a disk.
    bool is_cdrom = false;
    // The storage device under the volume: for a partition, its whole disk.
    DeviceNumber device_number;
};

class DeviceEnumerator {
public:
    virtual ~DeviceEnumerator() = default;

    // Present USB devices in the platform's enumeration order.
    virtual std::vector<UsbDevice> UsbDevices() = 0;
    // Present storage interfaces of one class, in enumeration order.
    virtual std::vector<StorageInterface> StorageInterfaces(StorageClass storage_class) = 0;
    virtual std::vector<Volume> Volumes() = 0;
    // Opens a storage interface for reading and writing; null on failure.
    virtual std::unique_ptr<ScsiDevice> Open(const std::string& path) = 0;
    // Whether devices opened here may be used from several threads at once
    // (each device from one thread). False for an enumerator whose devices
    // share one script of answers, which must be taken in a fixed order:
    // the scan then reads its drives one after another.
    virtual bool OpensInParallel() const { return true; }
};

// Base of enumerators that change what another one does: everything is
// passed through to `inner` unless a subclass overrides it.
class ForwardingEnumerator : public DeviceEnumerator {
public:
    explicit ForwardingEnumerator(DeviceEnumerator& inner) : inner_(inner) {}

    std::vector<UsbDevice> UsbDevices() override { return inner_.UsbDevices(); }
    std::vector<StorageInterface> StorageInterfaces(StorageClass storage_class) override {
        return inner_.StorageInterfaces(storage_class);
    }
    std::vector<Volume> Volumes() override { return inner_.Volumes(); }
    std::unique_ptr<ScsiDevice> Open(const std::string& path) override { return inner_.Open(path); }
    bool OpensInParallel() const override { return inner_.OpensInParallel(); }

protected:
    DeviceEnumerator& inner() { return inner_; }

private:
    DeviceEnumerator& inner_;
};

}  // namespace qx7::transport
