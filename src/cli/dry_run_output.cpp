#include "cli/dry_run_output.h"

#include <nlohmann/json.hpp>

#include "cli/cli_host.h"
#include "strings/control_escape.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using app::DriveOutcome;
using app::DriveResult;

// Values come from the drive too (an unknown language index, a setup ID):
// escaped as every text of a drive is.
std::string Shown(const std::string& text) { return strings::EscapeControlCharacters(text); }

}  // namespace

std::string PreviewText(const std::string& label, const DriveOutcome& drive) {
    const std::size_t count = drive.changes.size();
    std::string text = label + ": " +
                       (count == 0 ? std::string("no change")
                                   : "would change " + std::to_string(count) + (count == 1 ? " field" : " fields"));
    for (const editor::FieldChange& change : drive.changes) {
        text += "\n  " + change.field + ": " + Shown(change.before) + " \u2192 " + Shown(change.after);
    }
    for (const std::u16string& kept : drive.kept) text += "\n  warning: " + MessageLine(kept);
    return text;
}

std::string DryRunJson(const std::vector<DriveOutcome>& drives, int exit_status) {
    using json = nlohmann::ordered_json;
    json list = json::array();
    for (const DriveOutcome& drive : drives) {
        json changes = json::array();
        for (const editor::FieldChange& change : drive.changes) {
            changes.push_back({{"field", change.field}, {"before", change.before}, {"after", change.after}});
        }
        json warnings = json::array();
        for (const std::u16string& kept : drive.kept) warnings.push_back(MessageLine(kept));
        list.push_back({
            {"line", drive.listed ? json(drive.line + 1) : json(nullptr)},
            {"serial", strings::ToUtf8(strings::EscapeControlCharacters(drive.serial))},
            {"result", std::string(app::DriveResultName(drive.result))},
            {"error", drive.result == DriveResult::Failed ? json(MessageLine(drive.error)) : json(nullptr)},
            {"current_setup_id", strings::ToUtf8(strings::EscapeControlCharacters(drive.previous_setup_id))},
            {"new_setup_id", strings::ToUtf8(strings::EscapeControlCharacters(drive.new_setup_id))},
            {"changes", changes},
            {"warnings", warnings},
        });
    }
    const json out = {{"dry_run", true}, {"exit_status", exit_status}, {"drives", list}};
    // ASCII only, so that any reader takes it.
    return out.dump(2, ' ', true, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qx7::cli
