#pragma once
// Drive discovery's view of a Linux system, read from udev and the mount
// table: the USB devices, the SCSI disks and CD-ROMs below them with the
// scsi_generic node each is opened through, and the mounted volumes.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/mount_table.h"
#include "platform/linux/scsi_opener.h"
#include "platform/linux/udev_handles.h"
#include "transport/device_enumerator.h"

namespace qx7::platform {

// A whole disk or CD-ROM block device of a SCSI device.
struct StorageNode {
    transport::StorageClass storage_class = transport::StorageClass::Disk;
    std::string usb_key;       // the USB device above it; empty when there is none
    std::string block_node;    // e.g. /dev/sdb
    std::string generic_node;  // e.g. /dev/sg1; empty when it has none
    std::optional<transport::DeviceNumber> device_number;
};

class UdevEnumerator final : public transport::DeviceEnumerator {
public:
    // Null with *error set when udev cannot be used. `opener` must outlive
    // the enumerator.
    static std::unique_ptr<UdevEnumerator> Create(ScsiOpener& opener, std::string* error,
                                                  std::string mount_table = kProcMountInfo);

    // Every USB device, in udev's order (by sysfs path). The key is the
    // device's sysfs path, the parent key its parent's; the strings come
    // from sysfs, cut to what a drive record keeps.
    std::vector<transport::UsbDevice> UsbDevices() override;
    // The storage nodes of the class that have a scsi_generic node, which is
    // the path given to open.
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass storage_class) override;
    // Mounted block devices, once each, at their first mount point, with
    // the number of the whole disk or CD-ROM below them.
    std::vector<transport::Volume> Volumes() override;
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override;

    // Every disk and CD-ROM block device under a SCSI device, with or
    // without a scsi_generic node.
    std::vector<StorageNode> StorageNodes();
    // Why opening `path` failed the last time it failed; empty when it never did.
    std::string OpenFailure(const std::string& path) const;

private:
    UdevEnumerator(UdevPtr context, ScsiOpener& opener, std::string mount_table);

    UdevPtr context_;
    ScsiOpener& opener_;
    std::string mount_table_;
    mutable std::mutex failures_mutex_;
    std::map<std::string, std::string> open_failures_;
};

}  // namespace qx7::platform
