#include "transport/discovery.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "transport/drive_commands.h"
#include "transport/known_device_ids.h"

namespace qx7::transport {
namespace {

// State byte 0 bits that tell the drive holds a configuration area.
constexpr std::uint8_t kStateHasConfigMask = 0x01 | 0x40;
// Id block byte 2 gives the drive's memory layout: from layout 2 on the
// configuration area starts at address 0, below it at 0x1000.
constexpr std::size_t kIdLayoutByte = 2;
constexpr std::uint8_t kLayoutTwo = 2;
constexpr std::uint32_t kConfigBaseFromLayoutTwo = 0x0000;
constexpr std::uint32_t kConfigBaseBeforeLayoutTwo = 0x1000;

constexpr std::u16string_view kFipsShortName = u"QX7FIPS";
constexpr std::u16string_view kFipsFullName = u"Ostrivance QX7 FIPS ";

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// A new record for a present USB device, when it is one of ours.
std::optional<DriveRecord> MatchUsbDevice(const UsbDevice& device) {
    if (device.key.empty() || device.parent_key.empty()) return std::nullopt;
    const auto entry = KnownDeviceIndex({device.vendor_id, device.product_id});
    if (!entry) return std::nullopt;
    const UsbId& id = KnownDeviceIds()[*entry];
    DriveRecord record;
    record.parent_key = device.parent_key;
    record.usb_key = device.key;
    record.hub_port = device.port;
    record.vendor_id = id.vendor_id;
    record.product_id = id.product_id;
    record.entry_index = static_cast<std::uint32_t>(*entry);
    record.manufacturer = FitText(device.manufacturer, kUsbStringUnits);
    record.product = FitText(device.product, kUsbStringUnits);
    record.serial_number = FitText(device.serial_number, kUsbStringUnits);
    return record;
}

std::uint32_t ConfigAreaBase(const DriveRecord& record) {
    return record.id_block[kIdLayoutByte] >= kLayoutTwo ? kConfigBaseFromLayoutTwo : kConfigBaseBeforeLayoutTwo;
}

bool ReadConfigArea(ScsiDevice& device, std::uint32_t base, DriveRecord& record) {
    for (std::size_t page = 0; page < kConfigPageCount; ++page) {
        const auto out = std::span(record.config_area).subspan(page * kMemoryPageSize).first<kMemoryPageSize>();
        const auto address = base + static_cast<std::uint32_t>(page * kMemoryPageSize);
        if (!ReadMemoryPage(device, address, out)) return false;
    }
    return true;
}

// Reads the identity, state and INQUIRY blocks, stopping at the first
// failure, and the configuration area when the state says there is one.
// Blocks not read stay zero, also when an earlier interface of the same drive
// had read them. Returns false only when the configuration area could not be
// read: the interface is then not used for the drive.
bool ReadVendorBlocks(ScsiDevice& device, DriveRecord& record) {
    record.id_block = {};
    record.state_block = {};
    record.inquiry_data = {};
    record.config_area = {};
    record.scan_failed = false;
    if (!ReadDeviceIdBlock(device, record.id_block) || !ReadDeviceStateBlock(device, record.state_block) ||
        !ScsiInquiry(device, record.inquiry_data)) {
        record.scan_failed = true;
        return true;
    }
    if ((record.state_block[0] & kStateHasConfigMask) == 0) return true;
    if (ReadConfigArea(device, ConfigAreaBase(record), record)) return true;
    record.config_area = {};
    record.scan_failed = true;
    return false;
}

DriveRecord* RecordOf(std::vector<DriveRecord>& records, const std::string& usb_key) {
    if (usb_key.empty()) return nullptr;
    const auto it =
        std::find_if(records.begin(), records.end(), [&](const DriveRecord& r) { return r.usb_key == usb_key; });
    return it == records.end() ? nullptr : &*it;
}

// Ties one storage interface to its drive: the first one that opens reads
// the drive's blocks and becomes its storage path; every one that opens and
// has a device number is registered.
void AttachInterface(DeviceEnumerator& enumerator, const StorageInterface& storage, StorageClass storage_class,
                     DriveRecord* record) {
    if (record == nullptr || record->storage_count >= kMaxStorageDevices) return;
    const std::unique_ptr<ScsiDevice> device = enumerator.Open(storage.path);
    if (!device) return;
    if (record->storage_count == 0) {
        record->storage_path = storage.path;
        if (!ReadVendorBlocks(*device, *record)) return;
    }
    if (!storage.device_number) return;
    record->device_numbers[record->storage_count] = *storage.device_number;
    record->is_cdrom[record->storage_count] = storage_class == StorageClass::CdRom;
    ++record->storage_count;
}

bool HoldsVolume(const DriveRecord& record, const Volume& volume) {
    for (std::size_t k = 0; k < record.storage_count; ++k) {
        if (record.is_cdrom[k] == volume.is_cdrom && record.device_numbers[k] == volume.device_number) {
            return true;
        }
    }
    return false;
}

void AttachVolumes(const std::vector<Volume>& volumes, std::vector<DriveRecord>& records) {
    for (const Volume& volume : volumes) {
        for (DriveRecord& record : records) {
            if (record.volumes.size() < kMaxVolumes && HoldsVolume(record, volume)) {
                record.volumes.push_back(VolumeDisplayName(volume));
            }
        }
    }
}

// The number right-aligned in two columns, as "%2d" prints it.
void AppendPosition(std::u16string& line, std::size_t position) {
    const std::string digits = std::to_string(position);
    if (digits.size() < 2) line += u' ';
    for (const char digit : digits) line += static_cast<char16_t>(digit);
}

}  // namespace

const DriveRecord* DriveTable::ListedRecord(std::size_t line) const {
    if (line >= listing_map.size() || listing_map[line] >= records.size()) return nullptr;
    return &records[listing_map[line]];
}

std::u16string FitText(std::u16string_view text, std::size_t units) {
    text = text.substr(0, text.find(u'\0'));
    if (text.size() <= units) return std::u16string(text);
    std::size_t cut = units;
    if (cut > 0 && IsHighSurrogate(text[cut - 1]) && IsLowSurrogate(text[cut])) --cut;
    return std::u16string(text.substr(0, cut));
}

std::u16string VolumeDisplayName(const Volume& volume) {
    return volume.mount_point.empty() ? volume.device_node : volume.mount_point;
}

bool IsListed(const DriveRecord& record) {
    if (record.storage_count == 0) return false;
    return record.state_block[0] != 0 || (record.entry_index == 0 && record.id_block[kIdLayoutByte] == kLayoutTwo);
}

std::u16string DriveLine(std::size_t table_position, std::u16string_view product,
                         std::span<const std::u16string> volumes) {
    std::u16string line = u" ";
    AppendPosition(line, table_position);
    line += u": ";
    line += product == kFipsShortName ? kFipsFullName : product;
    line += u' ';
    for (const std::u16string& volume : volumes) {
        if (line.size() > kLineUnits) break;
        line += volume;
        line += u' ';
    }
    return FitText(line, kLineUnits);
}

std::vector<DriveRecord> DiscoverDrives(DeviceEnumerator& enumerator, std::vector<UnlistedDrive>* overflow) {
    std::vector<DriveRecord> records;
    for (const UsbDevice& device : enumerator.UsbDevices()) {
        auto record = MatchUsbDevice(device);
        if (!record) continue;
        if (records.size() < kMaxDrives) {
            records.push_back(std::move(*record));
        } else if (overflow) {
            overflow->push_back({record->serial_number, record->product, UnlistedReason::TableFull});
        }
    }
    if (records.empty()) return records;

    // Each drive's interfaces in the order they are registered (CD-ROM
    // ones first); drives are independent, so each is read on a thread of
    // its own and the scan takes as long as its slowest drive.
    struct Attachment {
        StorageInterface storage;
        StorageClass storage_class;
    };
    std::vector<std::vector<Attachment>> per_record(records.size());
    for (const StorageClass storage_class : {StorageClass::CdRom, StorageClass::Disk}) {
        for (const StorageInterface& storage : enumerator.StorageInterfaces(storage_class)) {
            const DriveRecord* record = RecordOf(records, storage.usb_key);
            if (record == nullptr) continue;
            per_record[static_cast<std::size_t>(record - records.data())].push_back({storage, storage_class});
        }
    }
    const auto attach = [&](std::size_t index) {
        for (const Attachment& attachment : per_record[index]) {
            AttachInterface(enumerator, attachment.storage, attachment.storage_class, &records[index]);
        }
    };
    if (!enumerator.OpensInParallel()) {
        for (std::size_t i = 0; i < records.size(); ++i) attach(i);
    } else {
        std::vector<std::jthread> readers;
        std::size_t first = records.size();
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (per_record[i].empty()) continue;
            if (first == records.size()) {
                first = i;  // read on this thread
                continue;
            }
            readers.emplace_back(attach, i);
        }
        if (first < records.size()) attach(first);
    }
    AttachVolumes(enumerator.Volumes(), records);
    return records;
}

DriveTable ScanDrives(DeviceEnumerator& enumerator) {
    DriveTable table;
    std::vector<UnlistedDrive> overflow;
    table.records = DiscoverDrives(enumerator, &overflow);
    for (std::size_t i = 0; i < table.records.size(); ++i) {
        const DriveRecord& record = table.records[i];
        if (!IsListed(record)) {
            if (record.scan_failed) {
                table.unlisted.push_back({record.serial_number, record.product, UnlistedReason::ScanFailed});
            }
            continue;
        }
        table.listing_map.push_back(i);
        table.lines.push_back(DriveLine(i + 1, record.product, record.volumes));
    }
    table.unlisted.insert(table.unlisted.end(), overflow.begin(), overflow.end());
    return table;
}

}  // namespace qx7::transport
