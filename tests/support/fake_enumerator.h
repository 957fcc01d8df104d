#pragma once
// A DeviceEnumerator for tests: the test fills in the USB devices, storage
// interfaces and volumes it wants discovery to see, and the scripted devices
// that opening an interface hands out.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/scripted_device.h"
#include "transport/device_enumerator.h"

namespace qx7::test {

// How a drive answers the reads discovery makes. Memory pages come back
// filled with PageMarker(address) so that a test can tell which was read.
struct FakeDriveBlocks {
    std::array<std::uint8_t, 8> id_block{};
    std::array<std::uint8_t, 12> state_block{};
    bool fail_id = false;
    bool fail_state = false;
    bool fail_inquiry = false;
    bool fail_pages = false;
};

std::uint8_t PageMarker(std::uint32_t address);
ScsiHandler AnswerDriveReads(const FakeDriveBlocks& blocks);

class FakeEnumerator : public transport::DeviceEnumerator {
public:
    std::vector<transport::UsbDevice> usb_devices;
    std::vector<transport::StorageInterface> cdroms;
    std::vector<transport::StorageInterface> disks;
    std::vector<transport::Volume> volumes;
    // What Open() hands out, by path; any other path fails to open.
    std::map<std::string, std::shared_ptr<ScriptedDevice>> devices;
    std::vector<std::string> opened;  // paths Open() was asked for, in order

    // A USB device with a fresh key on port n of one hub; returns its key.
    std::string AddUsb(std::uint16_t vendor_id, std::uint16_t product_id, std::u16string product = u"QX7");
    // A storage interface under `usb_key` that answers with `blocks`;
    // returns its scripted device.
    std::shared_ptr<ScriptedDevice> AddStorage(transport::StorageClass storage_class, const std::string& usb_key,
                                               transport::DeviceNumber number, const FakeDriveBlocks& blocks = {});
    void AddVolume(std::u16string mount_point, std::u16string device_node, bool is_cdrom,
                   transport::DeviceNumber number);

    std::vector<transport::UsbDevice> UsbDevices() override;
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass storage_class) override;
    std::vector<transport::Volume> Volumes() override;
    // Safe from several threads, as a scan opens drives at once.
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override;

private:
    std::mutex open_mutex_;
};

}  // namespace qx7::test
