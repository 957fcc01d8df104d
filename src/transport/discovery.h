#pragma once
// Drive discovery: finds the attached drives through a DeviceEnumerator,
// reads the identity and state blocks of each over its first usable storage
// interface, and decides which drives the drive list shows and how.
//
// A scan builds a fresh DriveTable and hands it back as a value; the caller
// swaps it in when the scan is over, so no one sees a half-filled table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "transport/command_blocks.h"
#include "transport/device_enumerator.h"

namespace qx7::transport {

inline constexpr std::size_t kMaxDrives = 99;
inline constexpr std::size_t kMaxStorageDevices = 10;
// Volumes a drive can show: as many as there are drive letters on Windows.
inline constexpr std::size_t kMaxVolumes = 32;
// UTF-16 units of each USB string kept in a record.
inline constexpr std::size_t kUsbStringUnits = 64;
// UTF-16 units of a drive-list line (a 260-unit buffer with its terminator).
inline constexpr std::size_t kLineUnits = 259;
inline constexpr std::size_t kConfigPageCount = 4;
inline constexpr std::size_t kConfigAreaSize = kConfigPageCount * kMemoryPageSize;

// Everything known about one drive after a scan.
struct DriveRecord {
    std::string parent_key;           // the hub the USB device hangs on
    std::string usb_key;              // the matched USB device
    std::uint32_t storage_count = 0;  // registered storage devices, 0 to kMaxStorageDevices
    std::uint32_t hub_port = 0;       // 1-based, 0 when unknown
    std::uint32_t vendor_id = 0;      // of the matching KnownDeviceIds entry
    std::uint32_t product_id = 0;
    std::uint32_t entry_index = 0;  // 0: the primary id
    // Per registered storage device, in registration order.
    std::array<DeviceNumber, kMaxStorageDevices> device_numbers{};
    std::array<bool, kMaxStorageDevices> is_cdrom{};
    // The interface the drive is opened through for every vendor command:
    // the first one registered. Kept whole, since a cut path opens nothing.
    std::string storage_path;
    // USB strings, up to their first NUL, at most kUsbStringUnits units.
    std::u16string manufacturer;
    std::u16string product;
    std::u16string serial_number;
    std::array<std::uint8_t, kInquirySize> inquiry_data{};
    std::array<std::uint8_t, kIdBlockSize> id_block{};
    std::array<std::uint8_t, kStateBlockSize> state_block{};
    std::array<std::uint8_t, kConfigAreaSize> config_area{};
    // Display names of the drive's volumes, in enumeration order.
    std::vector<std::u16string> volumes;
    // A command of the scan failed on the interface the drive was read
    // through (its blocks may then be zero).
    bool scan_failed = false;
};

// Why a drive of ours that is present has no line in the drive list.
enum class UnlistedReason {
    TableFull,   // kMaxDrives drives were found before it
    ScanFailed,  // a command of the scan failed
};

// A present drive of ours the drive list does not show, so that a caller
// that acts on every drive can account for it.
struct UnlistedDrive {
    std::u16string serial_number;  // the USB serial number, at most kUsbStringUnits units
    std::u16string product;
    UnlistedReason reason = UnlistedReason::ScanFailed;
};

// For drive-list line p, the index of its record.
using ListingMap = std::vector<std::size_t>;

struct DriveTable {
    std::vector<DriveRecord> records;   // table order, at most kMaxDrives
    ListingMap listing_map;             // increasing record indexes
    std::vector<std::u16string> lines;  // the text of each listed line
    // Drives found but not listed because the table was full or their scan
    // failed; the drive list never shows them.
    std::vector<UnlistedDrive> unlisted;

    std::size_t drive_count() const { return records.size(); }
    std::size_t listed_count() const { return listing_map.size(); }
    // The record shown on drive-list line `line`; null when there is none.
    const DriveRecord* ListedRecord(std::size_t line) const;
    // The 0-based table position of the drive on line `line`; the drive list
    // prints it + 1 as the line's number. `line` itself past the last line.
    std::size_t TablePosition(std::size_t line) const { return line < listing_map.size() ? listing_map[line] : line; }
};

// The whole scan: discovery, then the listing rule and the line texts.
DriveTable ScanDrives(DeviceEnumerator& enumerator);

// The records of the present drives, in table order. Each drive is read on
// a thread of its own; its own commands keep their order. Drives beyond
// kMaxDrives go to *overflow (when given).
std::vector<DriveRecord> DiscoverDrives(DeviceEnumerator& enumerator, std::vector<UnlistedDrive>* overflow = nullptr);

// A drive is listed when it has a storage device and either reports a state,
// or is a primary-id drive whose id block says so.
bool IsListed(const DriveRecord& record);

// " %2d: %s " with the 1-based table position and the product name (the
// FIPS model's short name replaced by its full one), then each volume
// followed by a space; at most kLineUnits units.
std::u16string DriveLine(std::size_t table_position, std::u16string_view product,
                         std::span<const std::u16string> volumes);

// A mounted volume shows its mount point, another its device node.
std::u16string VolumeDisplayName(const Volume& volume);

// `text` up to its first NUL, cut to at most `units` UTF-16 units without
// splitting a surrogate pair.
std::u16string FitText(std::u16string_view text, std::size_t units);

}  // namespace qx7::transport
