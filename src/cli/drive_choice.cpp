// --drive N and --serial S: which drive of the list a command works on.

#include <iostream>
#include <limits>
#include <vector>

#include "cli/commands.h"
#include "cli/messages.h"
#include "protocol/channel.h"
#include "protocol/system_commands.h"
#include "strings/control_escape.h"
#include "strings/text_codec.h"
#include "transport/device_enumerator.h"
#include "transport/discovery.h"

namespace qx7::cli {
namespace {

// The serial number the drive on `line` reports, or nothing when it cannot
// be opened or does not identify itself.
std::optional<std::string> SerialOfLine(const transport::DriveTable& table, std::size_t line,
                                        transport::DeviceEnumerator& enumerator) {
    const transport::DriveRecord* record = table.ListedRecord(line);
    if (!record) return std::nullopt;
    const auto device = enumerator.Open(record->storage_path);
    if (!device) return std::nullopt;
    protocol::ChannelKeys keys;
    std::u16string serial;
    if (!protocol::ReadIdentity(*device, keys, serial)) return std::nullopt;
    return strings::ToUtf8(serial);
}

}  // namespace

std::size_t PrintedNumber(const transport::DriveTable& table, std::size_t line) {
    return line < table.listing_map.size() ? table.listing_map[line] + 1 : 0;
}

std::string ListedNumbers(const transport::DriveTable& table) {
    if (table.listed_count() == 0) return "none";
    std::string numbers;
    for (std::size_t line = 0; line < table.listed_count(); ++line) {
        if (!numbers.empty()) numbers += ", ";
        numbers += std::to_string(PrintedNumber(table, line));
    }
    return numbers;
}

CLI::Validator DriveLineNumber() {
    // CLI::PositiveNumber names its range with the largest double, 309 digits.
    return CLI::Validator(
        [](const std::string& text) {
            std::size_t value = 0;
            const bool number = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
                                text.size() < std::numeric_limits<std::size_t>::digits10;
            if (number) value = std::stoul(text);
            return number && value >= 1 ? std::string() : "'" + text + "' is not a line of the drive list (1, 2, ...)";
        },
        "LINE");
}

CLI::Option* AddDriveChoice(CLI::App& command, DriveChoice& choice) {
    CLI::Option* drive = command.add_option("--drive", choice.line, "Line of the drive list (1-based)")
                             ->capture_default_str()
                             ->check(DriveLineNumber());
    command.add_option("--serial", choice.serial, "The drive with this serial number (as show prints it)")
        ->excludes(drive)
        ->check([](const std::string& serial) {
            return serial.empty() ? std::string("the serial number must not be empty") : std::string();
        });
    return drive;
}

ChosenDrive ChosenLine(const DriveChoice& choice, const transport::DriveTable& table,
                       transport::DeviceEnumerator& enumerator, strings::Language language) {
    const std::size_t listed = table.listed_count();
    const std::string count = ListedNumbers(table);
    if (choice.serial.empty()) {
        // The list numbers a line by the drive's place in the table, so the
        // numbers can skip: a drive that is found but not listed keeps its
        // number from the others.
        for (std::size_t line = 0; line < listed; ++line) {
            if (PrintedNumber(table, line) == choice.line) return {line};
        }
        std::cerr << Message(language, MessageId::NoDriveOnLine, {std::to_string(choice.line), count}) << '\n';
        return {std::nullopt, kExitUsage};
    }
    // Every listed drive is asked: a serial two drives have names neither.
    std::vector<std::size_t> matches;
    for (std::size_t line = 0; line < listed; ++line) {
        // The serial as the drive gives it, or as show prints it escaped.
        const std::optional<std::string> serial = SerialOfLine(table, line, enumerator);
        if (serial && (*serial == choice.serial ||
                       strings::EscapeControlCharacters(std::string_view(*serial)) == choice.serial)) {
            matches.push_back(line);
        }
    }
    const std::string shown = strings::EscapeControlCharacters(std::string_view(choice.serial));
    if (matches.size() == 1) return {matches.front()};
    if (matches.empty()) {
        std::cerr << Message(language, MessageId::NoDriveWithSerial, {shown, count}) << '\n';
        return {std::nullopt, kExitFailure};
    }
    std::string lines;
    for (const std::size_t line : matches) {
        if (!lines.empty()) lines += ", ";
        lines += std::to_string(PrintedNumber(table, line));
    }
    std::cerr << Message(language, MessageId::SerialOnManyLines, {shown, lines}) << '\n';
    return {std::nullopt, kExitUsage};
}

}  // namespace qx7::cli
