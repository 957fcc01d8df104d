// qx7ctl list: the drive list, one line per listed drive; with --verbose
// also what was found for each QX7 USB device and why a drive was not
// listed or could not be opened.

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/settings_json.h"
#include "protocol/channel.h"
#include "protocol/system_commands.h"
#include "strings/control_escape.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"
#include "transport/discovery.h"
#include "transport/drive_commands.h"
#include "transport/known_device_ids.h"

namespace qx7::cli {
namespace {

using strings::StringId;
// Id block byte 2 that lists a primary-id drive without a state.
constexpr std::size_t kIdLayoutByte = 2;

// A text the drive or its volume reports (USB strings, product name, volume
// label in a mount point), printed with its control characters escaped.
std::string Shown(std::u16string_view text) { return strings::ToUtf8(strings::EscapeControlCharacters(text)); }

std::string UsbIdText(std::uint32_t vendor_id, std::uint32_t product_id) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendor_id & 0xFFFF, product_id & 0xFFFF);
    return text;
}

const transport::DriveRecord* RecordOf(const transport::DriveTable& table, const std::string& usb_key) {
    const auto it = std::find_if(table.records.begin(), table.records.end(),
                                 [&](const transport::DriveRecord& r) { return r.usb_key == usb_key; });
    return it == table.records.end() ? nullptr : &*it;
}

bool IsRegistered(const transport::DriveRecord& record, const transport::StorageInterface& storage, bool is_cdrom) {
    if (!storage.device_number) return false;
    for (std::size_t k = 0; k < record.storage_count; ++k) {
        if (record.is_cdrom[k] == is_cdrom && record.device_numbers[k] == *storage.device_number) return true;
    }
    return false;
}

// What became of one storage interface of a drive during the scan.
std::string InterfaceOutcome(DriveAccess& access, const transport::DriveRecord* record,
                             const transport::StorageInterface& storage, bool is_cdrom) {
    if (record && IsRegistered(*record, storage, is_cdrom)) {
        return record->storage_path == storage.path ? "opened; the drive's commands go here" : "opened";
    }
    if (const std::string failure = access.OpenFailure(storage.path); !failure.empty()) {
        if (failure == access.AccessProblem()) return "not opened: drive access is not available (see below)";
        return "cannot be opened: " + failure;
    }
    if (!storage.device_number) return "opened, but it has no device number";
    return "opened, but the drive's configuration area could not be read through it";
}

// A device that keeps the result of the last command sent through it.
class LastResultDevice final : public transport::ScsiDevice {
public:
    explicit LastResultDevice(transport::ScsiDevice& inner) : inner_(inner) {}
    transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
        last_ = inner_.Execute(request);
        return last_;
    }
    // What went wrong with the last command, as a reader needs it.
    std::string Failure() const {
        if (!last_.io_ok) return "an I/O error (the command did not reach the drive or did not complete)";
        char status[8];
        std::snprintf(status, sizeof status, "0x%02X", last_.scsi_status);
        if (last_.scsi_status != 0) return std::string("the drive refused it with SCSI status ") + status;
        return "the drive answered " + std::to_string(last_.transferred) + " bytes, too few";
    }

private:
    transport::ScsiDevice& inner_;
    transport::ScsiResult last_;
};

// The scan keeps zeros for blocks it could not read, which look like a drive
// without a state; the blocks are read again here to tell the two apart.
// Empty when they read as the scan saw them.
std::string BlockReadFailure(transport::DeviceEnumerator& enumerator, const std::string& path) {
    const auto device = enumerator.Open(path);
    if (!device) return "its storage interface " + path + " no longer opens";
    LastResultDevice probe(*device);
    std::array<std::uint8_t, transport::kIdBlockSize> id{};
    std::array<std::uint8_t, transport::kStateBlockSize> state{};
    std::array<std::uint8_t, transport::kInquirySize> inquiry{};
    if (!transport::ReadDeviceIdBlock(probe, id)) return "reading its id block failed: " + probe.Failure();
    if (!transport::ReadDeviceStateBlock(probe, state)) return "reading its state block failed: " + probe.Failure();
    if (!transport::ScsiInquiry(probe, inquiry)) return "its INQUIRY failed: " + probe.Failure();
    if (state[0] != 0) {
        return "its id and state blocks could not be read during the scan, but read now (state byte 0 is " +
               std::to_string(state[0]) + "); scan again";
    }
    return {};
}

std::string NotListedReason(DriveAccess& access, const transport::DriveRecord& record) {
    if (record.storage_count == 0) return "none of its storage interfaces could be opened and read";
    if (std::string failure = BlockReadFailure(access.enumerator(), record.storage_path); !failure.empty()) {
        return failure;
    }
    std::string reason = "it reports no state (state block byte 0 is 0)";
    if (record.entry_index != 0)
        return reason + " and its id is not the primary " +
               UsbIdText(transport::PrimaryDeviceId().vendor_id, transport::PrimaryDeviceId().product_id);
    return reason + " and its id block byte 2 is " + std::to_string(record.id_block[kIdLayoutByte]) + ", not 2";
}

void PrintDriveStatus(std::ostream& out, DriveAccess& access, const transport::DriveTable& table,
                      const transport::DriveRecord* record) {
    if (!record) {
        out << "  not taken as a drive: its place in the USB tree is unknown, or the table is full\n";
        return;
    }
    const auto index = static_cast<std::size_t>(record - table.records.data());
    const auto line = std::find(table.listing_map.begin(), table.listing_map.end(), index);
    if (line != table.listing_map.end()) {
        out << "  listed as line " << (line - table.listing_map.begin() + 1) << '\n';
    } else {
        out << "  not listed: " << NotListedReason(access, *record) << '\n';
    }
}

void PrintUsbDevice(std::ostream& out, DriveAccess& access, const transport::DriveTable& table,
                    const transport::UsbDevice& usb, std::size_t entry) {
    transport::DeviceEnumerator& enumerator = access.enumerator();
    out << "QX7 USB device " << UsbIdText(usb.vendor_id, usb.product_id) << " (known id " << entry << ") at " << usb.key
        << ", port " << usb.port << '\n';
    out << "  manufacturer \"" << Shown(usb.manufacturer) << "\", product \"" << Shown(usb.product)
        << "\", serial number \"" << Shown(usb.serial_number) << "\"\n";
    for (const std::string& line : access.NodeDetails(usb.key)) out << "  " << line << '\n';

    const transport::DriveRecord* record = RecordOf(table, usb.key);
    std::vector<std::pair<transport::DeviceNumber, bool>> numbers;
    for (const auto storage_class : {transport::StorageClass::CdRom, transport::StorageClass::Disk}) {
        const bool is_cdrom = storage_class == transport::StorageClass::CdRom;
        for (const auto& storage : enumerator.StorageInterfaces(storage_class)) {
            if (storage.usb_key != usb.key) continue;
            out << "  " << (is_cdrom ? "CD-ROM" : "disk") << " interface " << storage.path << " ("
                << DeviceNumberText(storage.device_number)
                << "): " << InterfaceOutcome(access, record, storage, is_cdrom) << '\n';
            if (storage.device_number) numbers.emplace_back(*storage.device_number, is_cdrom);
        }
    }
    for (const auto& volume : enumerator.Volumes()) {
        const std::pair<transport::DeviceNumber, bool> key{volume.device_number, volume.is_cdrom};
        if (std::find(numbers.begin(), numbers.end(), key) == numbers.end()) continue;
        out << "  volume " << Shown(volume.device_node);
        if (volume.mount_point.empty()) {
            out << ", not mounted\n";
        } else {
            out << " mounted at " << Shown(volume.mount_point) << '\n';
        }
    }
    PrintDriveStatus(out, access, table, record);
}

// The --verbose report: every USB device with a QX7 id and what the scan
// made of it.
void PrintReport(std::ostream& out, DriveAccess& access, const transport::DriveTable& table) {
    const std::vector<transport::UsbDevice> usb_devices = access.enumerator().UsbDevices();
    std::size_t found = 0;
    for (const auto& usb : usb_devices) {
        const auto entry = transport::KnownDeviceIndex({usb.vendor_id, usb.product_id});
        if (!entry) continue;
        PrintUsbDevice(out, access, table, usb, *entry);
        ++found;
    }
    if (found == 0) {
        out << "No QX7 is attached: ";
        if (usb_devices.empty()) {
            out << "no USB device is visible.\n";
        } else {
            out << "none of the " << usb_devices.size() << " USB devices present has a QX7 vendor and product id.\n";
        }
    }
    if (const std::string problem = access.AccessProblem(); !problem.empty()) out << problem << '\n';
}

// The serial number the drive reports in its identity; null when it does not
// identify itself.
nlohmann::ordered_json IdentitySerial(transport::DeviceEnumerator& enumerator, const transport::DriveRecord& record) {
    const auto device = enumerator.Open(record.storage_path);
    protocol::ChannelKeys keys;
    std::u16string serial;
    if (!device || !protocol::ReadIdentity(*device, keys, serial)) return nullptr;
    return strings::ToUtf8(serial);
}

// The drive list as one JSON object, its keys documented in docs/cli.md.
nlohmann::ordered_json ListJson(DriveAccess& access, const transport::DriveTable& table) {
    nlohmann::ordered_json drives = nlohmann::ordered_json::array();
    for (std::size_t line = 0; line < table.listed_count(); ++line) {
        const transport::DriveRecord& record = *table.ListedRecord(line);
        nlohmann::ordered_json volumes = nlohmann::ordered_json::array();
        for (const auto& volume : record.volumes) volumes.push_back(strings::ToUtf8(volume));
        drives.push_back({
            {"line", PrintedNumber(table, line)},
            {"serial", IdentitySerial(access.enumerator(), record)},
            {"product", strings::ToUtf8(record.product)},
            {"usb_id", UsbIdText(record.vendor_id, record.product_id)},
            {"usb_serial_number", strings::ToUtf8(record.serial_number)},
            {"volumes", volumes},
        });
    }
    return {{"drives", drives}};
}

int RunList(const GlobalOptions& options, bool verbose, bool json) {
    const auto scanned = ScanForDrives(options);
    if (!scanned) return kExitFailure;
    DriveAccess& access = *scanned->access;
    const transport::DriveTable& table = scanned->table;
    // Nothing listed because no drive could be reached is a failure, not an
    // empty machine.
    const int status = table.listed_count() == 0 && !access.AccessProblem().empty() ? kExitFailure : kExitSuccess;
    if (json) {
        std::cout << JsonText(ListJson(access, table)) << '\n';
        if (const std::string problem = access.AccessProblem(); !problem.empty()) std::cerr << problem << '\n';
        return status;
    }
    if (table.listed_count() == 0) {
        std::cout << strings::ToUtf8(strings::FormatResString(options.language, StringId::NoDrivesDetected)) << '\n';
    }
    for (const auto& line : table.lines) std::cout << Shown(line) << '\n';
    if (verbose) PrintReport(std::cout, access, table);
    return status;
}

}  // namespace

void AddListCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto* list = app.add_subcommand("list", "List the attached drives as the drive list shows them");
    auto verbose = std::make_shared<bool>(false);
    auto* verbose_flag = list->add_flag(
        "--verbose,-v", *verbose, "Also show, per QX7 USB device, its nodes and volumes and why it was not listed");
    auto json = std::make_shared<bool>(false);
    list->add_flag("--json", *json, "Print one JSON object: the listed drives with their serial numbers")
        ->excludes(verbose_flag);
    list->callback([&options, &exit_code, verbose, json] { exit_code = RunList(options, *verbose, *json); });
}

}  // namespace qx7::cli
