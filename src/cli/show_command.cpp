// qx7ctl show: reads one drive as the configurator does (identity, channel,
// settings, status) and prints what it holds.

#include <iostream>

#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/messages.h"
#include "cli/settings_json.h"
#include "protocol/drive_messages.h"
#include "protocol/read_sequence.h"
#include "strings/hex.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"
#include "transport/discovery.h"

namespace qx7::cli {
namespace {

using strings::StringId;

struct ShowOptions {
    DriveChoice drive;
    bool json = false;
};

// How the drive was found: "admin" or "user" for the password its keypad
// took; "locked" when it identified itself and answered its status but
// refused the keyed channel, as a drive not unlocked on its keypad does;
// "unreadable" when the reading failed otherwise.
std::string ModeName(const protocol::DriveReading& reading) {
    if (reading.admin_mode()) return "admin";
    const bool unlocked_as_admin = reading.status_ok && reading.status.admin_unlocked();
    if (reading.settings_ok && reading.status_ok && !unlocked_as_admin) return "user";
    if (reading.identity_ok && reading.status_ok && !unlocked_as_admin && !reading.channel.channel_key) {
        return "locked";
    }
    return "unreadable";
}

// A drive-list line without the spaces that align it in the list.
std::string Unpadded(std::u16string_view line) {
    const std::size_t first = line.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    const std::size_t last = line.find_last_not_of(u' ');
    return strings::ToUtf8(line.substr(first, last - first + 1));
}

int RunShow(const GlobalOptions& options, const ShowOptions& show) {
    const auto scanned = ScanForDrives(options);
    if (!scanned) return kExitFailure;
    DriveAccess& access = *scanned->access;
    const transport::DriveTable& table = scanned->table;
    if (table.listed_count() == 0) {
        std::cerr << strings::ToUtf8(strings::FormatResString(options.language, StringId::NoDrivesDetected)) << '\n';
        return kExitFailure;
    }
    const auto line = ChosenLine(show.drive, table, access.enumerator(), options.language);
    if (!line) return line.status;
    const transport::DriveRecord* record = table.ListedRecord(*line);
    auto device = access.enumerator().Open(record->storage_path);
    if (!device) {
        std::cerr << Message(options.language, MessageId::CannotOpenDrive, {record->storage_path}) << '\n';
        return kExitFailure;
    }

    protocol::ChannelKeys keys;
    std::u16string serial;
    // The settings-read diagnostic is for developers; keep stdout clean for JSON.
    const protocol::DriveReading reading = protocol::ReadDrive(*device, keys, serial, &std::cerr);
    if (!reading.identity_ok) std::cerr << Message(options.language, MessageId::NotAQx7) << '\n';
    for (const auto& message : protocol::ReadingMessages(reading, options.language)) {
        std::cerr << MessageLine(message.text) << '\n';
    }

    nlohmann::ordered_json out = {
        {"line", Unpadded(table.lines[*line])},
        {"serial", strings::ToUtf8(serial)},
        {"mode", ModeName(reading)},
        {"current_setup_id",
         reading.settings_ok
             // A value for scripts in --json, the same in every language.
             ? strings::ToUtf8(protocol::SetupIdText(reading.settings.setup_id,
                                                     show.json ? strings::Language::English : options.language))
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
    return reading.all_commands_ok() ? kExitSuccess : kExitFailure;
}

}  // namespace

void AddShowCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto show = std::make_shared<ShowOptions>();
    auto* command = app.add_subcommand("show", "Read one drive and print its settings");
    AddDriveChoice(*command, show->drive);
    command->add_flag("--json", show->json, "Print one JSON object");
    command->callback([&options, &exit_code, show] { exit_code = RunShow(options, *show); });
}

}  // namespace qx7::cli
