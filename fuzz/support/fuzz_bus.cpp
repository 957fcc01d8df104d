#include "support/fuzz_bus.h"

#include <algorithm>
#include <functional>

#include "support/fuzz_target.h"
#include "transport/known_device_ids.h"

namespace qx7::fuzz {
namespace {

using transport::StorageClass;

constexpr std::uint8_t kRawIdMark = 0xC0;
constexpr std::uint8_t kOpenFails = 0x80;

std::vector<transport::StorageInterface> ReadInterfaces(ByteReader& in, const char* kind,
                                                        const std::vector<transport::UsbDevice>& usb) {
    std::vector<transport::StorageInterface> interfaces(in.U8() % 5);
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        transport::StorageInterface& storage = interfaces[i];
        const std::size_t owner = in.U8();
        if (owner < usb.size()) storage.usb_key = usb[owner].key;
        storage.path = std::string("/fuzz/") + kind + "/" + std::to_string(i);
        if ((in.U8() & 1) != 0) {
            const std::uint8_t major = in.U8();
            storage.device_number = transport::DeviceNumber{major, in.U8()};
        }
    }
    return interfaces;
}

void WriteInterfaces(ByteWriter& out, const std::vector<transport::StorageInterface>& interfaces,
                     const std::vector<transport::UsbDevice>& usb) {
    out.U8(static_cast<std::uint8_t>(std::min<std::size_t>(interfaces.size(), 4)));
    for (std::size_t i = 0; i < interfaces.size() && i < 4; ++i) {
        const transport::StorageInterface& storage = interfaces[i];
        const auto owner = std::find_if(usb.begin(), usb.end(), [&](const transport::UsbDevice& d) {
            return !storage.usb_key.empty() && d.key == storage.usb_key;
        });
        out.U8(static_cast<std::uint8_t>(owner == usb.end() ? 0xFF : owner - usb.begin()));
        out.U8(storage.device_number ? 1 : 0);
        if (storage.device_number) {
            out.U8(static_cast<std::uint8_t>(storage.device_number->major));
            out.U8(static_cast<std::uint8_t>(storage.device_number->minor));
        }
    }
}

// Passes everything to `inner`, and records the answers of what it opens.
class RecordingBus final : public transport::ForwardingEnumerator {
public:
    RecordingBus(transport::DeviceEnumerator& inner, ByteWriter& script)
        : ForwardingEnumerator(inner), script_(script) {}

    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override {
        auto device = inner().Open(path);
        script_.U8(device ? 0 : kOpenFails);
        if (!device) return nullptr;
        class Owning final : public transport::ScsiDevice {
        public:
            Owning(std::unique_ptr<transport::ScsiDevice> inner, ByteWriter& script)
                : inner_(std::move(inner)), recorder_(*inner_, script) {}
            transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
                return recorder_.Execute(request);
            }

        private:
            std::unique_ptr<transport::ScsiDevice> inner_;
            AnswerRecorder recorder_;
        };
        return std::make_unique<Owning>(std::move(device), script_);
    }
    // Every device writes the one answer script, in the order it is replayed.
    bool OpensInParallel() const override { return false; }

private:
    ByteWriter& script_;
};

}  // namespace

FuzzBus::FuzzBus(ByteReader& in) : in_(in) {
    usb_devices_.resize(in.U8() % 5);
    for (std::size_t i = 0; i < usb_devices_.size(); ++i) {
        transport::UsbDevice& device = usb_devices_[i];
        const std::uint8_t id = in.U8();
        if (id < kRawIdMark) {
            const transport::UsbId known = transport::KnownDeviceIds()[id % transport::kKnownDeviceIdCount];
            device.vendor_id = known.vendor_id;
            device.product_id = known.product_id;
        } else {
            device.vendor_id = in.U16();
            device.product_id = in.U16();
        }
        switch (in.U8() % 4) {
            case 0: break;
            case 1: device.key = i > 0 ? usb_devices_[i - 1].key : "usb/0"; break;
            default: device.key = "usb/" + std::to_string(i); break;
        }
        const std::uint8_t parent = in.U8();
        if (parent != 0) device.parent_key = "hub/" + std::to_string(parent % 3);
        device.port = in.U8();
        device.manufacturer = in.Text16();
        device.product = in.Text16();
        device.serial_number = in.Text16();
    }
    cdroms_ = ReadInterfaces(in, "cdrom", usb_devices_);
    disks_ = ReadInterfaces(in, "disk", usb_devices_);
    volumes_.resize(in.U8() % 8);
    for (transport::Volume& volume : volumes_) {
        volume.mount_point = in.Text16();
        volume.device_node = in.Text16();
        volume.is_cdrom = (in.U8() & 1) != 0;
        volume.device_number.major = in.U8();
        volume.device_number.minor = in.U8();
    }
}

std::vector<transport::StorageInterface> FuzzBus::StorageInterfaces(StorageClass storage_class) {
    return storage_class == StorageClass::CdRom ? cdroms_ : disks_;
}

std::unique_ptr<transport::ScsiDevice> FuzzBus::Open(const std::string& path) {
    const auto has_path = [&](const std::vector<transport::StorageInterface>& list) {
        return std::any_of(list.begin(), list.end(),
                           [&](const transport::StorageInterface& s) { return s.path == path; });
    };
    QX7_FUZZ_CHECK(has_path(cdroms_) || has_path(disks_));
    ++opens_;
    if ((in_.U8() & kOpenFails) != 0) return nullptr;
    return std::make_unique<AnswerScriptDevice>(in_);
}

std::vector<std::uint8_t> RecordBus(transport::DeviceEnumerator& bus,
                                    const std::function<void(transport::DeviceEnumerator&)>& scan) {
    ByteWriter out;
    const std::vector<transport::UsbDevice> usb = bus.UsbDevices();
    const std::size_t usb_count = std::min<std::size_t>(usb.size(), 4);
    out.U8(static_cast<std::uint8_t>(usb_count));
    for (std::size_t i = 0; i < usb_count; ++i) {
        const transport::UsbDevice& device = usb[i];
        const auto known = transport::KnownDeviceIndex({device.vendor_id, device.product_id});
        if (known) {
            out.U8(static_cast<std::uint8_t>(*known));
        } else {
            out.U8(kRawIdMark);
            out.U16(device.vendor_id);
            out.U16(device.product_id);
        }
        out.U8(device.key.empty() ? 0 : 2);
        out.U8(device.parent_key.empty() ? 0 : 1);
        out.U8(static_cast<std::uint8_t>(device.port));
        out.Text16(device.manufacturer);
        out.Text16(device.product);
        out.Text16(device.serial_number);
    }
    const std::vector<transport::UsbDevice> kept(usb.begin(), usb.begin() + static_cast<std::ptrdiff_t>(usb_count));
    WriteInterfaces(out, bus.StorageInterfaces(StorageClass::CdRom), kept);
    WriteInterfaces(out, bus.StorageInterfaces(StorageClass::Disk), kept);
    const std::vector<transport::Volume> volumes = bus.Volumes();
    out.U8(static_cast<std::uint8_t>(std::min<std::size_t>(volumes.size(), 7)));
    for (std::size_t i = 0; i < volumes.size() && i < 7; ++i) {
        out.Text16(volumes[i].mount_point);
        out.Text16(volumes[i].device_node);
        out.U8(volumes[i].is_cdrom ? 1 : 0);
        out.U8(static_cast<std::uint8_t>(volumes[i].device_number.major));
        out.U8(static_cast<std::uint8_t>(volumes[i].device_number.minor));
    }
    RecordingBus recording(bus, out);
    scan(recording);
    return out.bytes();
}

}  // namespace qx7::fuzz
