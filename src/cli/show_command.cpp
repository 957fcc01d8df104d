// qx7ctl show: reads one drive as the configurator does (identity, channel,
// settings, status) and prints what it holds.

#include <iostream>

#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/settings_json.h"
#include "protocol/drive_messages.h"
#include "protocol/read_sequence.h"
#include "strings/hex.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"
#include "transport/discovery.h"

namespace qx7::cli {
namespace {

constexpr std::uint16_t kNoDrivesDetected = 161;

struct ShowOptions {
    std::size_t drive = 1;
    bool json = false;
};

int RunShow(const GlobalOptions& options, const ShowOptions& show) {
    const auto scanned = ScanForDrives(options);
    if (!scanned) return 1;
    DriveAccess& access = *scanned->access;
    const transport::DriveTable& table = scanned->table;
    if (table.listed_count() == 0) {
        std::cerr << strings::ToUtf8(strings::FormatResString(options.language, kNoDrivesDetected))
                  << '\n';
        return 1;
    }
    const transport::DriveRecord* record = show.drive >= 1 ? table.ListedRecord(show.drive - 1) : nullptr;
    if (!record) {
        std::cerr << "There is no drive on line " << show.drive << "; " << table.listed_count()
                  << (table.listed_count() == 1 ? " drive is" : " drives are") << " listed.\n";
        return 1;
    }
    auto device = access.enumerator().Open(record->storage_path);
    if (!device) {
        std::cerr << "Cannot open the drive at " << record->storage_path << ".\n";
        return 1;
    }

    protocol::ChannelKeys keys;
    std::u16string serial;
    // The settings-read diagnostic is for developers; keep stdout clean for JSON.
    const protocol::DriveReading reading = protocol::ReadDrive(*device, keys, serial, &std::cerr);
    if (!reading.identity_ok) std::cerr << "The drive did not identify itself as a QX7.\n";
    for (const auto& message : protocol::ReadingMessages(reading, options.language)) {
        std::cerr << strings::ToUtf8(message.text) << '\n';
    }

    nlohmann::ordered_json out = {
        {"line", strings::ToUtf8(table.lines[show.drive - 1])},
        {"serial", strings::ToUtf8(serial)},
        {"current_setup_id",
         reading.settings_ok
             ? strings::ToUtf8(protocol::SetupIdText(reading.settings.setup_id, options.language))
             : std::string()},
        {"admin_mode", reading.admin_mode()},
        {"rfid_supported", reading.status.rfid_supported()},
    };
    if (reading.settings_ok) {
        out["settings_hex"] = strings::ToHex(reading.settings.Encode());
        out["settings"] = SettingsToJson(reading.settings);
    }
    if (show.json) {
        std::cout << JsonText(out) << '\n';
    } else {
        PrintFields(std::cout, out);
    }
    return reading.all_commands_ok() ? 0 : 1;
}

}  // namespace

void AddShowCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto show = std::make_shared<ShowOptions>();
    auto* command = app.add_subcommand("show", "Read one drive and print its settings");
    command->add_option("--drive", show->drive, "Line of the drive list (1-based)")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    command->add_flag("--json", show->json, "Print one JSON object");
    command->callback([&options, &exit_code, show] { exit_code = RunShow(options, *show); });
}

}  // namespace qx7::cli
