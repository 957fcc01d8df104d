#pragma once
// A bus of USB devices, storage interfaces and volumes read from a fuzz
// input, whose storage interfaces answer from the input's answer script;
// and the writer that lays a real (simulated) bus out in the same form.
//
// Layout:
//   count of USB devices (byte, modulo 5), each:
//     id: a byte below 0xC0 picks KnownDeviceIds()[byte % 5], another
//         byte is followed by a 16-bit vendor and product id;
//     key: a byte, modulo 4: 0 none, 1 the previous device's key (when
//         there is one), else a key of its own;
//     parent: a byte, 0 for none, else one of three hubs;
//     port: a byte;
//     manufacturer, product, serial number: ByteReader::Text16 each;
//   for the CD-ROM interfaces, then the disk interfaces: a count (byte,
//     modulo 5), each: the index of its USB device (byte; past the last
//     device means no USB device), a byte whose lowest bit says a device
//     number (major, minor: a byte each) follows;
//   count of volumes (byte, modulo 8), each: mount point and device node
//     (Text16 each), a byte whose lowest bit says CD-ROM, major, minor;
//   the answer script (support/answer_script.h), shared by all opened
//     interfaces in the order discovery opens them, where every open takes
//     one byte first (its top bit set: the open fails).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/answer_script.h"
#include "support/byte_reader.h"
#include "transport/device_enumerator.h"

namespace qx7::fuzz {

class FuzzBus final : public transport::DeviceEnumerator {
public:
    // Reads the bus from `in`, which keeps the answer script that follows
    // and must outlive the bus.
    explicit FuzzBus(ByteReader& in);

    std::vector<transport::UsbDevice> UsbDevices() override { return usb_devices_; }
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass storage_class) override;
    std::vector<transport::Volume> Volumes() override { return volumes_; }
    // Only the paths of the interfaces above may be opened: anything else
    // stops the process.
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override;
    // Every device reads the one answer script: in a fixed order only.
    bool OpensInParallel() const override { return false; }

    int opens() const { return opens_; }

private:
    ByteReader& in_;
    std::vector<transport::UsbDevice> usb_devices_;
    std::vector<transport::StorageInterface> cdroms_;
    std::vector<transport::StorageInterface> disks_;
    std::vector<transport::Volume> volumes_;
    int opens_ = 0;
};

// Writes what `bus` presents in the layout above, then records the answers
// of its interfaces while `scan` runs over the returned enumerator (which
// opens through `bus`). Returns the seed's bytes.
std::vector<std::uint8_t> RecordBus(transport::DeviceEnumerator& bus,
                                    const std::function<void(transport::DeviceEnumerator&)>& scan);

}  // namespace qx7::fuzz
