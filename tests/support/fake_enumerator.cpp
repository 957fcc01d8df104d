#include "support/fake_enumerator.h"

#include <algorithm>

#include "transport/command_blocks.h"

namespace qx7::test {
namespace {

using transport::ScsiRequest;
using transport::ScsiResult;

// Lends a test-owned scripted device to the code that opened it.
class BorrowedDevice : public transport::ScsiDevice {
public:
    explicit BorrowedDevice(std::shared_ptr<ScriptedDevice> device) : device_(std::move(device)) {}
    ScsiResult Execute(const ScsiRequest& request) override { return device_->Execute(request); }

private:
    std::shared_ptr<ScriptedDevice> device_;
};

ScsiResult AnswerWith(const ScsiRequest& request, std::span<const std::uint8_t> bytes) {
    const std::size_t n = std::min(bytes.size(), request.data.size());
    std::copy_n(bytes.begin(), n, request.data.begin());
    return Good(n);
}

}  // namespace

std::uint8_t PageMarker(std::uint32_t address) { return static_cast<std::uint8_t>(0x80 | (address >> 10)); }

ScsiHandler AnswerDriveReads(const FakeDriveBlocks& blocks) {
    return [blocks](const ScsiRequest& request) -> ScsiResult {
        const std::uint8_t op = request.cdb[0];
        const std::uint8_t buffer = request.cdb[2];
        if (op == transport::kOpInquiry) {
            if (blocks.fail_inquiry) return CheckCondition();
            std::array<std::uint8_t, 36> inquiry{};
            inquiry[0] = 0x05;
            return AnswerWith(request, inquiry);
        }
        if (op == transport::kOpWriteBuffer) return Good(0);  // pre-command
        if (op != transport::kOpReadBuffer) return CheckCondition();
        switch (buffer) {
            case transport::kBufferIdBlock:
                return blocks.fail_id ? CheckCondition() : AnswerWith(request, blocks.id_block);
            case transport::kBufferStateBlock:
                return blocks.fail_state ? CheckCondition() : AnswerWith(request, blocks.state_block);
            case transport::kBufferMemoryPage: {
                if (blocks.fail_pages) return CheckCondition();
                const std::uint32_t address =
                    request.cdb[4] | request.cdb[5] << 8 | static_cast<std::uint32_t>(request.cdb[6]) << 16;
                std::fill(request.data.begin(), request.data.end(), PageMarker(address));
                return Good(request.data.size());
            }
            default: return CheckCondition();
        }
    };
}

std::string FakeEnumerator::AddUsb(std::uint16_t vendor_id, std::uint16_t product_id, std::u16string product) {
    transport::UsbDevice device;
    device.vendor_id = vendor_id;
    device.product_id = product_id;
    device.port = static_cast<std::uint32_t>(usb_devices.size() + 1);
    device.key = "usb/1-" + std::to_string(device.port);
    device.parent_key = "usb/1";
    device.manufacturer = u"OSTRIVANCE";
    device.product = std::move(product);
    usb_devices.push_back(device);
    return device.key;
}

std::shared_ptr<ScriptedDevice> FakeEnumerator::AddStorage(transport::StorageClass storage_class,
                                                           const std::string& usb_key, transport::DeviceNumber number,
                                                           const FakeDriveBlocks& blocks) {
    const bool cdrom = storage_class == transport::StorageClass::CdRom;
    auto& list = cdrom ? cdroms : disks;
    transport::StorageInterface storage;
    storage.usb_key = usb_key;
    storage.path = usb_key + (cdrom ? "/sr" : "/sd") + std::to_string(list.size());
    storage.device_number = number;
    list.push_back(storage);
    auto device = std::make_shared<ScriptedDevice>(AnswerDriveReads(blocks));
    devices[storage.path] = device;
    return device;
}

void FakeEnumerator::AddVolume(std::u16string mount_point, std::u16string device_node, bool is_cdrom,
                               transport::DeviceNumber number) {
    volumes.push_back({std::move(mount_point), std::move(device_node), is_cdrom, number});
}

std::vector<transport::UsbDevice> FakeEnumerator::UsbDevices() { return usb_devices; }

std::vector<transport::StorageInterface> FakeEnumerator::StorageInterfaces(transport::StorageClass storage_class) {
    return storage_class == transport::StorageClass::CdRom ? cdroms : disks;
}

std::vector<transport::Volume> FakeEnumerator::Volumes() { return volumes; }

std::unique_ptr<transport::ScsiDevice> FakeEnumerator::Open(const std::string& path) {
    std::lock_guard lock(open_mutex_);
    opened.push_back(path);
    const auto it = devices.find(path);
    if (it == devices.end()) return nullptr;
    return std::make_unique<BorrowedDevice>(it->second);
}

}  // namespace qx7::test
