#pragma once
// A scripted Win32DeviceApi for tests: a small device tree of nodes with
// instance ids and parents, USB hubs whose ports answer the four hub
// controls, disk and CD-ROM interfaces that answer the storage device number
// and the drive's pass-through commands, and drive letters. Every handle
// remembers the path it was opened on, and every pass-through command is
// logged with that path. Answers can be made hostile (lengths past the
// buffer, unterminated strings) to try the caller's bounds checks.

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows/device_controls.h"
#include "platform/windows/win32_device_api.h"

namespace qx7::platform::test {

struct FakeNode {
    std::u16string id;  // raw units as CM_Get_Device_IDW leaves them
    std::optional<DevInst> parent;
    bool fails = false;  // CM_Get_Device_IDW fails
};

struct FakeUsbDevice {
    DevInst inst = 0;
    std::optional<std::vector<std::uint8_t>> driver_key;  // SPDRP_DRIVER bytes
};

struct FakePort {
    bool connected = true;
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::array<std::uint8_t, 3> string_indexes{1, 2, 3};
    std::optional<std::u16string> driver_key;                       // absent: the control fails
    std::map<std::uint8_t, std::vector<std::uint8_t>> descriptors;  // by string index: the whole descriptor
    // Replaces the bytes-returned count of every answer for this port.
    std::optional<std::uint32_t> returned;
};

struct FakeHub {
    std::u16string path;
    DevInst inst = 0;
    std::vector<FakePort> ports;  // port n at index n - 1
};

// What a storage interface answers to the drive's commands.
struct FakeDrive {
    std::array<std::uint8_t, 8> id_block{0, 0, 2, 0, 0, 0, 0, 0};
    std::array<std::uint8_t, 12> state_block{0x02};
    std::uint8_t status = 0;  // SCSI status of every command
};

struct FakeStorage {
    InterfaceClass interface_class = InterfaceClass::Disk;
    std::u16string path;
    DevInst inst = 0;
    std::optional<std::uint32_t> number;
    std::optional<std::uint32_t> open_error;  // read-write opens fail with it
    FakeDrive drive;
};

struct FakeVolume {
    std::uint32_t type = 3;  // fixed
    std::optional<std::u16string> target;
    std::optional<std::uint32_t> number;
};

struct PassThroughCall {
    std::u16string path;
    std::vector<std::uint8_t> cdb;
};

// The little-endian UTF-16 bytes of `text`, with a terminator.
inline std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text, bool terminated = true) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// A USB string descriptor holding `text`.
inline std::vector<std::uint8_t> StringDescriptor(std::u16string_view text) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(2 + 2 * text.size()), 3};
    const auto units = Utf16Bytes(text, false);
    bytes.insert(bytes.end(), units.begin(), units.end());
    return bytes;
}

class FakeDeviceTree final : public Win32DeviceApi {
public:
    std::map<DevInst, FakeNode> nodes;
    std::vector<FakeUsbDevice> usb_devices;
    std::vector<FakeHub> hubs;
    std::vector<FakeStorage> storage;
    std::map<char16_t, FakeVolume> volumes;
    bool usb_list_fails = false;

    std::vector<PassThroughCall> pass_through;
    std::vector<std::u16string> opened;                              // every path opened, in order
    std::vector<std::pair<std::u16string, std::uint32_t>> controls;  // path, code

    // A USB device node listed under the "USB" enumerator, with its driver key.
    void AddUsbDevice(DevInst inst, std::u16string id, DevInst parent, std::u16string driver_key) {
        nodes[inst] = {std::move(id), parent};
        usb_devices.push_back({inst, Utf16Bytes(driver_key)});
    }

    std::size_t OpenHandles() const {
        const std::lock_guard lock(mutex_);
        return handles_.size();
    }

    std::optional<std::vector<UsbDeviceEntry>> PresentUsbDevices() override {
        if (usb_list_fails) return std::nullopt;
        std::vector<UsbDeviceEntry> list;
        for (const auto& device : usb_devices) list.push_back({device.inst, device.driver_key});
        return list;
    }

    std::optional<std::vector<InterfaceEntry>> PresentInterfaces(InterfaceClass interface_class) override {
        std::vector<InterfaceEntry> list;
        if (interface_class == InterfaceClass::UsbHub) {
            for (const auto& hub : hubs) list.push_back({hub.path, hub.inst});
        }
        for (const auto& entry : storage) {
            if (entry.interface_class == interface_class) list.push_back({entry.path, entry.inst});
        }
        return list;
    }

    std::optional<std::u16string> DeviceId(DevInst inst) override {
        const auto it = nodes.find(inst);
        if (it == nodes.end() || it->second.fails) return std::nullopt;
        return it->second.id;
    }

    std::optional<DevInst> Parent(DevInst inst) override {
        const auto it = nodes.find(inst);
        if (it == nodes.end()) return std::nullopt;
        return it->second.parent;
    }

    Win32Handle Open(std::u16string_view path, OpenAccess access, std::uint32_t* error) override {
        const std::lock_guard lock(mutex_);
        opened.emplace_back(path);
        bool exists = std::any_of(hubs.begin(), hubs.end(), [&](const FakeHub& h) { return h.path == path; });
        for (const auto& entry : storage) {
            if (entry.path != path) continue;
            exists = true;
            if (access == OpenAccess::ReadWrite && entry.open_error) {
                if (error) *error = *entry.open_error;
                return kNoHandle;
            }
        }
        if (path.size() == 6 && path.substr(0, 4) == u"\\\\.\\" && volumes.count(path[4])) exists = true;
        if (!exists) {
            if (error) *error = 2;
            return kNoHandle;
        }
        handles_[++last_handle_] = std::u16string(path);
        return last_handle_;
    }

    void Close(Win32Handle handle) override {
        const std::lock_guard lock(mutex_);
        handles_.erase(handle);
    }

    std::optional<std::uint32_t> IoControl(Win32Handle handle, std::uint32_t code, std::span<const std::uint8_t> in,
                                           std::span<std::uint8_t> out) override {
        const std::lock_guard lock(mutex_);
        const auto it = handles_.find(handle);
        if (it == handles_.end()) return std::nullopt;
        const std::u16string& path = it->second;
        controls.emplace_back(path, code);
        for (const auto& hub : hubs) {
            if (hub.path == path) return HubControl(hub, code, in, out);
        }
        if (path.size() == 6 && path.substr(0, 4) == u"\\\\.\\") return VolumeControl(volumes.at(path[4]), code, out);
        for (auto& entry : storage) {
            if (entry.path == path) return StorageControl(entry, code, in, out);
        }
        return std::nullopt;
    }

    std::uint32_t LogicalDrives() override {
        std::uint32_t mask = 0;
        for (const auto& [letter, volume] : volumes) mask |= 1u << (letter - u'A');
        return mask;
    }

    std::uint32_t DriveType(char16_t letter) override { return volumes.at(letter).type; }

    std::optional<std::u16string> DosDeviceTarget(char16_t letter) override { return volumes.at(letter).target; }

private:
    static void PutU32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
        for (std::size_t i = 0; i < 4 && offset + i < out.size(); ++i) {
            out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    static std::uint32_t GetU32(std::span<const std::uint8_t> in, std::size_t offset) {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < 4 && offset + i < in.size(); ++i) value |= std::uint32_t{in[offset + i]} << (8 * i);
        return value;
    }
    // Copies `bytes` into `out` as far as they fit; the count the port says it returned.
    static std::uint32_t Answer(std::span<std::uint8_t> out, std::size_t offset, std::span<const std::uint8_t> bytes,
                                const FakePort* port) {
        const std::size_t n = std::min(bytes.size(), out.size() > offset ? out.size() - offset : 0);
        std::copy_n(bytes.begin(), n, out.begin() + static_cast<std::ptrdiff_t>(offset));
        if (port && port->returned) return *port->returned;
        return static_cast<std::uint32_t>(offset + n);
    }

    std::optional<std::uint32_t> HubControl(const FakeHub& hub, std::uint32_t code, std::span<const std::uint8_t> in,
                                            std::span<std::uint8_t> out) {
        namespace c = controls;
        if (code == c::kGetNodeInformation) {
            if (out.size() < c::kNodeInformationSize) return std::nullopt;
            out[c::kNodeNumberOfPorts] = static_cast<std::uint8_t>(hub.ports.size());
            return static_cast<std::uint32_t>(c::kNodeInformationSize);
        }
        const std::uint32_t index = GetU32(in, c::kConnectionIndex);
        if (index == 0 || index > hub.ports.size()) return std::nullopt;
        const FakePort& port = hub.ports[index - 1];
        if (code == c::kGetNodeConnectionInformationEx) {
            std::vector<std::uint8_t> info(c::kConnectionStatus + 4, 0);
            PutU32(info, c::kConnectionIndex, index);
            info[c::kConnectionVendorId] = static_cast<std::uint8_t>(port.vendor_id);
            info[c::kConnectionVendorId + 1] = static_cast<std::uint8_t>(port.vendor_id >> 8);
            info[c::kConnectionProductId] = static_cast<std::uint8_t>(port.product_id);
            info[c::kConnectionProductId + 1] = static_cast<std::uint8_t>(port.product_id >> 8);
            for (std::size_t i = 0; i < 3; ++i) info[c::kConnectionManufacturerIndex + i] = port.string_indexes[i];
            PutU32(info, c::kConnectionStatus, port.connected ? 1 : 0);
            return Answer(out, 0, info, &port);
        }
        if (code == c::kGetNodeConnectionDriverKeyName) {
            if (!port.driver_key) return std::nullopt;
            const auto bytes = Utf16Bytes(*port.driver_key);
            PutU32(out, 4, static_cast<std::uint32_t>(8 + bytes.size()));
            return Answer(out, c::kDriverKeyNameText, bytes, &port);
        }
        if (code == c::kGetDescriptorFromNodeConnection) {
            ++descriptor_requests[index];
            last_setup_index = static_cast<std::uint16_t>(in[c::kSetupIndex] | (in[c::kSetupIndex + 1] << 8));
            const auto string_index = in[c::kSetupValue];
            const auto found = port.descriptors.find(string_index);
            if (in[c::kSetupValue + 1] != 3 || found == port.descriptors.end()) return std::nullopt;
            return Answer(out, c::kDescriptorData, found->second, &port);
        }
        return std::nullopt;
    }

    static std::optional<std::uint32_t> NumberAnswer(std::optional<std::uint32_t> number, std::uint32_t code,
                                                     std::span<std::uint8_t> out) {
        if (code != controls::kStorageGetDeviceNumber || !number || out.size() < 12) return std::nullopt;
        PutU32(out, 0, 7);
        PutU32(out, controls::kDeviceNumber, *number);
        PutU32(out, 8, 1);
        return 12;
    }

    std::optional<std::uint32_t> VolumeControl(const FakeVolume& volume, std::uint32_t code,
                                               std::span<std::uint8_t> out) {
        return NumberAnswer(volume.number, code, out);
    }

    // The drive's side of a pass-through request, read at the 64-bit
    // header's offsets: CDB at 36, its length at 6, transfer length at 12,
    // status at 2, data at 88.
    std::optional<std::uint32_t> StorageControl(FakeStorage& entry, std::uint32_t code,
                                                std::span<const std::uint8_t> in, std::span<std::uint8_t> out) {
        if (code != 0x4D004) return NumberAnswer(entry.number, code, out);
        if (in.size() < 88 || out.size() < 88) return std::nullopt;
        const std::vector<std::uint8_t> cdb(in.begin() + 36, in.begin() + 36 + in[6]);
        pass_through.push_back({entry.path, cdb});
        const std::uint32_t length = GetU32(in, 12);
        std::vector<std::uint8_t> answer;
        if (cdb[0] == 0x3C && cdb[2] == 0x52) answer.assign(entry.drive.id_block.begin(), entry.drive.id_block.end());
        if (cdb[0] == 0x3C && cdb[2] == 0x51) {
            answer.assign(entry.drive.state_block.begin(), entry.drive.state_block.end());
        }
        if (cdb[0] == 0x12) answer.assign(36, 0x20);
        if (cdb[0] == 0x3C && cdb[2] == 0x22) answer.assign(1024, 0xC5);
        answer.resize(std::min<std::size_t>(answer.size(), length));
        std::copy(answer.begin(), answer.end(), out.begin() + 88);
        out[2] = entry.drive.status;
        PutU32(out, 12, static_cast<std::uint32_t>(answer.size()));
        return static_cast<std::uint32_t>(out.size());
    }

public:
    std::map<std::uint32_t, int> descriptor_requests;  // by port
    std::uint16_t last_setup_index = 0;

private:
    mutable std::mutex mutex_;
    std::map<Win32Handle, std::u16string> handles_;
    Win32Handle last_handle_ = 0x100;
};

}  // namespace qx7::platform::test
