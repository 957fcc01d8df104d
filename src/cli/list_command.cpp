// qx7ctl list: the drive list, one line per listed drive.

#include <iostream>

#include "cli/commands.h"
#include "cli/drive_access.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"
#include "transport/discovery.h"

namespace qx7::cli {
namespace {

constexpr std::uint16_t kNoDrivesDetected = 161;

int RunList(const GlobalOptions& options) {
    std::string error;
    auto access = OpenDriveAccess(options, std::cerr, &error);
    if (!access) {
        std::cerr << error << '\n';
        return 1;
    }
    const transport::DriveTable table = transport::ScanDrives(access->enumerator());
    if (table.listed_count() == 0) {
        std::cout << strings::ToUtf8(
                         strings::FormatResString(options.language, kNoDrivesDetected))
                  << '\n';
        return 0;
    }
    for (const auto& line : table.lines) std::cout << strings::ToUtf8(line) << '\n';
    return 0;
}

}  // namespace

void AddListCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto* list = app.add_subcommand("list", "List the attached drives as the drive list shows them");
    list->callback([&options, &exit_code] { exit_code = RunList(options); });
}

}  // namespace qx7::cli
