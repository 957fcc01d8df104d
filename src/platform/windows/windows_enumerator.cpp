#include "platform/windows/windows_enumerator.h"

#include <algorithm>
#include <array>
#include <span>
#include <tuple>

#include "platform/windows/device_controls.h"
#include "platform/windows/pass_through_device.h"
#include "strings/text_codec.h"
#include "transport/known_device_ids.h"

namespace qx7::platform {
namespace {

namespace c = controls;
using transport::StorageClass;

constexpr std::u16string_view kUsbEnumerator = u"USB";
constexpr std::u16string_view kFloppyTarget = u"\\Device\\Floppy";
constexpr std::u16string_view kVendorPrefix = u"USB\\VID_";
constexpr std::u16string_view kProductPrefix = u"&PID_";
// Of the parents above a storage interface, how many are tried as its USB device.
constexpr int kUsbNodeLevels = 2;
constexpr int kDriveLetters = 26;

std::u16string UpToNul(std::u16string_view units) { return std::u16string(units.substr(0, units.find(u'\0'))); }

// UTF-16LE text in `bytes`, up to its first NUL or the last whole unit.
std::u16string TextOfBytes(std::span<const std::uint8_t> bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == u'\0') break;
        text += unit;
    }
    return text;
}

char16_t FoldCase(char16_t unit) { return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit; }

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return FoldCase(x) == FoldCase(y); });
}

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::optional<std::uint16_t> HexWord(std::u16string_view digits) {
    if (digits.size() != 4) return std::nullopt;
    std::uint16_t value = 0;
    for (const char16_t unit : digits) {
        const char16_t folded = FoldCase(unit);
        int digit = 0;
        if (folded >= u'0' && folded <= u'9') {
            digit = folded - u'0';
        } else if (folded >= u'A' && folded <= u'F') {
            digit = folded - u'A' + 10;
        } else {
            return std::nullopt;
        }
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

// Little-endian fields of a returned buffer; absent past its end.
std::optional<std::uint32_t> ReadU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset + 4 > bytes.size()) return std::nullopt;
    return static_cast<std::uint32_t>(bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
                                      (static_cast<std::uint32_t>(bytes[offset + 3]) << 24));
}

std::optional<std::uint16_t> ReadU16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset + 2 > bytes.size()) return std::nullopt;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void WriteU32(std::span<std::uint8_t> bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void WriteU16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Sends a device control with `buffer` as input and output; the part of the
// buffer the system says it filled, or absent when the call failed.
std::optional<std::span<const std::uint8_t>> Ask(Win32DeviceApi& api, Win32Handle handle, std::uint32_t code,
                                                 std::span<std::uint8_t> buffer) {
    const auto returned = api.IoControl(handle, code, buffer, buffer);
    if (!returned) return std::nullopt;
    return std::span<const std::uint8_t>(buffer).first(std::min<std::size_t>(*returned, buffer.size()));
}

// A USB device with a known id that is waiting for its hub port.
struct PortCandidate {
    std::size_t index = 0;  // in the device list
    DevInst parent = 0;
    std::u16string driver_key;
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
};

// What the hub reports for a connected device on one port.
struct PortDevice {
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::array<std::uint8_t, 3> string_indexes{};  // manufacturer, product, serial number
};

std::optional<std::uint32_t> NumberOfPorts(Win32DeviceApi& api, Win32Handle hub) {
    std::array<std::uint8_t, c::kNodeInformationSize> buffer{};
    const auto answer = Ask(api, hub, c::kGetNodeInformation, buffer);
    if (!answer || answer->size() <= c::kNodeNumberOfPorts) return std::nullopt;
    return (*answer)[c::kNodeNumberOfPorts];
}

std::optional<PortDevice> ConnectedDevice(Win32DeviceApi& api, Win32Handle hub, std::uint32_t port) {
    std::array<std::uint8_t, c::kConnectionInformationSize> buffer{};
    WriteU32(buffer, c::kConnectionIndex, port);
    const auto answer = Ask(api, hub, c::kGetNodeConnectionInformationEx, buffer);
    if (!answer || ReadU32(*answer, c::kConnectionStatus) != c::kDeviceConnected) return std::nullopt;
    // The status lies past the descriptor, so the descriptor was returned whole.
    PortDevice device;
    device.vendor_id = *ReadU16(*answer, c::kConnectionVendorId);
    device.product_id = *ReadU16(*answer, c::kConnectionProductId);
    device.string_indexes = {(*answer)[c::kConnectionManufacturerIndex], (*answer)[c::kConnectionProductIndex],
                             (*answer)[c::kConnectionSerialNumberIndex]};
    return device;
}

std::optional<std::u16string> PortDriverKey(Win32DeviceApi& api, Win32Handle hub, std::uint32_t port) {
    std::array<std::uint8_t, c::kDriverKeyNameSize> buffer{};
    WriteU32(buffer, c::kConnectionIndex, port);
    const auto answer = Ask(api, hub, c::kGetNodeConnectionDriverKeyName, buffer);
    if (!answer || answer->size() <= c::kDriverKeyNameText) return std::nullopt;
    return TextOfBytes(answer->subspan(c::kDriverKeyNameText));
}

// A string descriptor in US English; empty when it cannot be read.
std::u16string PortString(Win32DeviceApi& api, Win32Handle hub, std::uint32_t port, std::uint8_t index) {
    std::array<std::uint8_t, c::kDescriptorRequestSize> buffer{};
    WriteU32(buffer, c::kConnectionIndex, port);
    WriteU16(buffer, c::kSetupValue, static_cast<std::uint16_t>(c::kStringDescriptorType | index));
    WriteU16(buffer, c::kSetupIndex, c::kEnglishUnitedStates);
    WriteU16(buffer, c::kSetupLength, c::kDescriptorLength);
    const auto answer = Ask(api, hub, c::kGetDescriptorFromNodeConnection, buffer);
    // The descriptor: its length byte, its type byte, then the text.
    constexpr std::size_t kText = c::kDescriptorData + 2;
    if (!answer || answer->size() <= c::kDescriptorData) return {};
    const std::size_t length = (*answer)[c::kDescriptorData];
    if (length <= 2 || answer->size() <= kText) return {};
    const std::size_t text_bytes = std::min(length - 2, answer->size() - kText);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < text_bytes; i += 2) {
        text += static_cast<char16_t>((*answer)[kText + i] | ((*answer)[kText + i + 1] << 8));
    }
    return text;
}

// Finds, on each port of the hubs above the candidates, the candidate
// plugged into it (same hub, ids and driver key) and reads its strings.
void ReadHubPorts(Win32DeviceApi& api, const std::vector<PortCandidate>& candidates,
                  std::vector<transport::UsbDevice>& devices) {
    const auto hubs = api.PresentInterfaces(InterfaceClass::UsbHub);
    if (!hubs) return;
    for (const InterfaceEntry& hub : *hubs) {
        const bool parents_one = std::any_of(candidates.begin(), candidates.end(),
                                             [&](const PortCandidate& c) { return c.parent == hub.dev_inst; });
        const std::u16string path = UpToNul(hub.path);
        if (!parents_one || path.empty()) continue;
        const ScopedHandle handle(api, api.Open(path, OpenAccess::Read, nullptr));
        if (!handle) continue;
        const auto ports = NumberOfPorts(api, handle.get());
        if (!ports) continue;
        for (std::uint32_t port = 1; port <= *ports; ++port) {
            const auto connected = ConnectedDevice(api, handle.get(), port);
            if (!connected) continue;
            std::optional<std::optional<std::u16string>> port_key;  // asked once, when a candidate fits
            for (const PortCandidate& candidate : candidates) {
                transport::UsbDevice& device = devices[candidate.index];
                if (device.port != 0 || candidate.parent != hub.dev_inst ||
                    candidate.vendor_id != connected->vendor_id || candidate.product_id != connected->product_id) {
                    continue;
                }
                if (!port_key) port_key = PortDriverKey(api, handle.get(), port);
                if (!*port_key || !EqualIgnoringCase(**port_key, candidate.driver_key)) continue;
                device.port = port;
                device.manufacturer = PortString(api, handle.get(), port, connected->string_indexes[0]);
                device.product = PortString(api, handle.get(), port, connected->string_indexes[1]);
                device.serial_number = PortString(api, handle.get(), port, connected->string_indexes[2]);
                break;
            }
        }
    }
}

std::string DefaultFailureText(std::uint32_t error) { return "Windows error " + std::to_string(error); }

}  // namespace

std::optional<std::pair<std::uint16_t, std::uint16_t>> UsbIdsOf(std::u16string_view instance_id) {
    const std::size_t vendor_at = kVendorPrefix.size();
    const std::size_t product_at = vendor_at + 4 + kProductPrefix.size();
    if (instance_id.size() < product_at + 4 || !StartsWithIgnoringCase(instance_id, kVendorPrefix) ||
        !EqualIgnoringCase(instance_id.substr(vendor_at + 4, kProductPrefix.size()), kProductPrefix)) {
        return std::nullopt;
    }
    const auto vendor = HexWord(instance_id.substr(vendor_at, 4));
    const auto product = HexWord(instance_id.substr(product_at, 4));
    if (!vendor || !product) return std::nullopt;
    return std::pair{*vendor, *product};
}

WindowsEnumerator::WindowsEnumerator(std::shared_ptr<Win32DeviceApi> api, OpenFailureText describe_failure)
    : api_(std::move(api)),
      describe_failure_(describe_failure ? std::move(describe_failure) : OpenFailureText(DefaultFailureText)) {}

std::vector<transport::UsbDevice> WindowsEnumerator::UsbDevices() {
    std::vector<transport::UsbDevice> devices;
    const auto present = api_->PresentUsbDevices();
    if (!present) return devices;
    std::vector<PortCandidate> candidates;
    for (const UsbDeviceEntry& entry : *present) {
        const auto raw_id = api_->DeviceId(entry.dev_inst);
        const std::u16string id = raw_id ? UpToNul(*raw_id) : std::u16string();
        if (id.empty()) continue;
        transport::UsbDevice device;
        const auto ids = UsbIdsOf(id);
        if (ids) std::tie(device.vendor_id, device.product_id) = *ids;
        const auto parent = api_->Parent(entry.dev_inst);
        if (parent) {
            if (const auto parent_id = api_->DeviceId(*parent))
                device.parent_key = strings::ToUtf8(UpToNul(*parent_id));
        }
        // Without a driver key the device cannot be found on its hub, so it
        // is not taken as a drive.
        const std::u16string driver_key = entry.driver_key ? TextOfBytes(*entry.driver_key) : std::u16string();
        if (!driver_key.empty() && parent) device.key = strings::ToUtf8(id);
        if (ids && !device.key.empty() && !device.parent_key.empty() &&
            transport::KnownDeviceIndex({device.vendor_id, device.product_id})) {
            candidates.push_back({devices.size(), *parent, driver_key, device.vendor_id, device.product_id});
        }
        devices.push_back(std::move(device));
    }
    if (!candidates.empty()) ReadHubPorts(*api_, candidates, devices);
    return devices;
}

std::optional<std::uint32_t> WindowsEnumerator::DeviceNumberOf(const std::u16string& path) {
    const ScopedHandle handle(*api_, api_->Open(path, OpenAccess::Query, nullptr));
    if (!handle) return std::nullopt;
    std::array<std::uint8_t, c::kDeviceNumberSize> buffer{};
    const auto returned = api_->IoControl(handle.get(), c::kStorageGetDeviceNumber, {}, buffer);
    if (!returned) return std::nullopt;
    return ReadU32(std::span<const std::uint8_t>(buffer).first(std::min<std::size_t>(*returned, buffer.size())),
                   c::kDeviceNumber);
}

std::vector<transport::StorageInterface> WindowsEnumerator::StorageInterfaces(StorageClass storage_class) {
    std::vector<transport::StorageInterface> interfaces;
    const auto present =
        api_->PresentInterfaces(storage_class == StorageClass::CdRom ? InterfaceClass::CdRom : InterfaceClass::Disk);
    if (!present) return interfaces;
    for (const InterfaceEntry& entry : *present) {
        const std::u16string path = UpToNul(entry.path);
        if (path.empty()) continue;
        transport::StorageInterface storage;
        storage.path = strings::ToUtf8(path);
        // The USB device is the first parent, at most two levels up, whose
        // instance id starts "USB" and which has a parent itself (its hub).
        auto node = api_->Parent(entry.dev_inst);
        for (int level = 0; level < kUsbNodeLevels && node; ++level) {
            const auto raw_id = api_->DeviceId(*node);
            const std::u16string id = raw_id ? UpToNul(*raw_id) : std::u16string();
            const auto above = api_->Parent(*node);
            if (StartsWithIgnoringCase(id, kUsbEnumerator) && above) {
                storage.usb_key = strings::ToUtf8(id);
                break;
            }
            node = above;
        }
        if (const auto number = DeviceNumberOf(path)) storage.device_number = transport::DeviceNumber{0, *number};
        interfaces.push_back(std::move(storage));
    }
    return interfaces;
}

std::vector<transport::Volume> WindowsEnumerator::Volumes() {
    std::vector<transport::Volume> volumes;
    const std::uint32_t mask = api_->LogicalDrives();
    for (int n = 0; n < kDriveLetters; ++n) {
        if ((mask & (1u << n)) == 0) continue;
        const auto letter = static_cast<char16_t>(u'A' + n);
        const std::uint32_t type = api_->DriveType(letter);
        if (type == c::kDriveRemote) continue;
        const auto raw_target = api_->DosDeviceTarget(letter);
        if (!raw_target) continue;
        const std::u16string target = UpToNul(*raw_target);
        if (StartsWithIgnoringCase(target, kFloppyTarget)) continue;
        const auto number = DeviceNumberOf(std::u16string(u"\\\\.\\") + letter + u':');
        if (!number) continue;
        transport::Volume volume;
        volume.mount_point = std::u16string{letter, u':'};
        volume.device_node = target;
        volume.is_cdrom = type == c::kDriveCdRom;
        volume.device_number = {0, *number};
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

std::unique_ptr<transport::ScsiDevice> WindowsEnumerator::Open(const std::string& path) {
    std::uint32_t error = 0;
    const Win32Handle handle = api_->Open(strings::FromUtf8(path), OpenAccess::ReadWrite, &error);
    if (handle == kNoHandle) {
        const std::lock_guard lock(failures_mutex_);
        open_failures_[path] = error;
        return nullptr;
    }
    return std::make_unique<PassThroughDevice>(api_, handle);
}

std::string WindowsEnumerator::OpenFailure(const std::string& path) const {
    std::uint32_t error = 0;
    {
        const std::lock_guard lock(failures_mutex_);
        const auto it = open_failures_.find(path);
        if (it == open_failures_.end()) return {};
        error = it->second;
    }
    return describe_failure_(error);
}

std::uint32_t WindowsEnumerator::OpenError(const std::string& path) const {
    const std::lock_guard lock(failures_mutex_);
    const auto it = open_failures_.find(path);
    return it == open_failures_.end() ? 0 : it->second;
}

}  // namespace qx7::platform
