// qx7ctl check-update: asks the update server whether a newer release of the
// configurator exists and prints what the updater dialog would show.

#include <iostream>
#include <memory>
#include <string>

#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/settings_json.h"
#include "strings/text_codec.h"
#include "updater/own_version.h"
#include "updater/system_http_client.h"
#include "updater/update_check.h"
#include "updater/update_folder.h"

namespace qx7::cli {
namespace {

void PrintOutcome(const updater::UpdateCheckOutcome& outcome, std::ostream& out) {
    out << MessageLine(outcome.status_text) << "\n\n";
    if (!outcome.changelog.empty()) {
        const std::string changelog = strings::ToUtf8(outcome.changelog);
        out << changelog;
        if (changelog.back() != '\n') out << '\n';
        out << '\n';
    }
    out << "Result: " << updater::ResultName(outcome.result) << " (" << static_cast<int>(outcome.result) << ")\n";
}

// The outcome as one JSON object, its keys documented in docs/cli.md.
nlohmann::ordered_json OutcomeJson(const updater::UpdateCheckOutcome& outcome) {
    return {
        {"result", std::string(updater::ResultName(outcome.result))},
        {"result_code", static_cast<int>(outcome.result)},
        {"update_available", outcome.result == updater::UpdateCheckResult::UpdateAvailable},
        {"installed_version", strings::ToUtf8(updater::VersionText(updater::CompiledFileVersion()))},
        {"server_version", strings::ToUtf8(outcome.server_version)},
        {"status", strings::ToUtf8(outcome.status_text)},
        {"changelog", strings::ToUtf8(outcome.changelog)},
    };
}

// The check completed when it could compare the versions.
bool Completed(updater::UpdateCheckResult result) {
    return result == updater::UpdateCheckResult::UpdateAvailable || result == updater::UpdateCheckResult::UpToDate;
}

}  // namespace

void AddCheckUpdateCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    CLI::App* const command =
        app.add_subcommand("check-update", "Ask the update server whether a newer configurator exists");
    auto folder_url = std::make_shared<std::string>(updater::DefaultUpdateFolderUrl());
    command->add_option("--url", *folder_url, "Update folder URL, ending in '/' (the file names are appended)")
        ->capture_default_str();
    auto json = std::make_shared<bool>(false);
    command->add_flag("--json", *json, "Print one JSON object");
    command->callback([folder_url, json, &options, &exit_code] {
        updater::SystemHttpClient http;
        const updater::UpdateCheckOutcome outcome =
            updater::CheckForUpdate(http, *folder_url, updater::CompiledFileVersion(), options.language);
        if (*json) {
            std::cout << JsonText(OutcomeJson(outcome)) << '\n';
        } else {
            PrintOutcome(outcome, std::cout);
        }
        exit_code = Completed(outcome.result) ? kExitSuccess : kExitFailure;
    });
}

}  // namespace qx7::cli
