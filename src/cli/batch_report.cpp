#include "cli/batch_report.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "cli/cli_host.h"
#include "cli/system_time.h"
#include "storage/files.h"
#include "strings/control_escape.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using app::DriveOutcome;
using app::DriveResult;

// A drive's text (serial number, setup ID, message) for the report: control
// characters escaped, as everywhere a drive's text is shown.
std::string DriveText(std::u16string_view text) { return strings::ToUtf8(strings::EscapeControlCharacters(text)); }

// What a configured drive keeps against the file's wish, one text each.
std::vector<std::string> Warnings(const DriveOutcome& drive) {
    std::vector<std::string> texts;
    for (const std::u16string& text : drive.kept) texts.push_back(MessageLine(text));
    return texts;
}

std::string JoinedWarnings(const DriveOutcome& drive) {
    std::string joined;
    for (const std::string& text : Warnings(drive)) joined += (joined.empty() ? "" : "; ") + text;
    return joined;
}

// The read-back after the upload: "verified", "nothing to compare",
// "skipped", "failed", or null when the drive was not written.
nlohmann::ordered_json Verify(const DriveOutcome& drive) {
    const std::string_view name = app::VerificationName(drive.verification);
    return name.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(std::string(name));
}

// Where the read-back found the drive holding something else.
nlohmann::ordered_json Mismatches(const DriveOutcome& drive) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const editor::FieldChange& change : drive.mismatches) {
        list.push_back({{"field", change.field},
                        {"expected", DriveText(strings::FromUtf8(change.before))},
                        {"found", DriveText(strings::FromUtf8(change.after))}});
    }
    return list;
}

double Seconds(const DriveOutcome& drive) {
    return std::chrono::duration<double>(drive.finished - drive.started).count();
}

struct Totals {
    std::size_t configured = 0, failed = 0, skipped = 0, interrupted = 0;
};

Totals Count(const std::vector<DriveOutcome>& drives) {
    Totals totals;
    for (const DriveOutcome& drive : drives) {
        switch (drive.result) {
            case DriveResult::Configured: ++totals.configured; break;
            case DriveResult::Failed: ++totals.failed; break;
            case DriveResult::Skipped: ++totals.skipped; break;
            case DriveResult::Interrupted: ++totals.interrupted; break;
            case DriveResult::Previewed: break;  // a dry run writes no report
        }
    }
    return totals;
}

std::string FormatJson(const RunSummary& run, const std::vector<DriveOutcome>& drives) {
    using json = nlohmann::ordered_json;
    json list = json::array();
    for (const DriveOutcome& drive : drives) {
        list.push_back({
            {"line", drive.listed ? json(drive.line + 1) : json(nullptr)},
            {"serial", DriveText(drive.serial)},
            {"previous_setup_id", DriveText(drive.previous_setup_id)},
            {"new_setup_id", DriveText(drive.new_setup_id)},
            {"result", std::string(app::DriveResultName(drive.result))},
            {"error", drive.result == DriveResult::Failed ? json(MessageLine(drive.error)) : json(nullptr)},
            {"warnings", Warnings(drive)},
            {"verify", Verify(drive)},
            {"mismatches", Mismatches(drive)},
            {"saved_file", drive.saved_file ? json(strings::PathText(*drive.saved_file)) : json(nullptr)},
            {"started", IsoTime(drive.started)},
            // A drive still storing the settings it accepted has not finished.
            {"finished", drive.storing ? json(nullptr) : json(IsoTime(drive.finished))},
            {"seconds", drive.storing ? json(nullptr) : json(std::round(Seconds(drive) * 1000.0) / 1000.0)},
        });
    }
    const Totals totals = Count(drives);
    const json report = {
        {"mode", run.mode},
        {"started", IsoTime(run.started)},
        {"finished", run.finished ? json(IsoTime(*run.finished)) : json(nullptr)},
        {"interrupted", run.interrupted},
        {"exit_status", run.exit_status ? json(*run.exit_status) : json(nullptr)},
        {"log", run.log ? json(strings::PathText(*run.log)) : json(nullptr)},
        {"totals",
         {{"drives", drives.size()},
          {"configured", totals.configured},
          {"failed", totals.failed},
          {"skipped", totals.skipped},
          {"interrupted", totals.interrupted}}},
        {"drives", list},
    };
    // ASCII only, so that any reader takes it.
    return report.dump(2, ' ', true, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// One CSV field: quoted when it holds a separator, a quote or a line end. A
// drive's text that a spreadsheet would take for a formula (=, +, -, @)
// gets a leading apostrophe, so that opening the report runs nothing a
// drive chose.
std::string CsvField(const std::string& text, bool from_drive = false) {
    std::string field;
    if (from_drive && !text.empty() && std::string_view("=+-@").find(text[0]) != std::string_view::npos) {
        field = "'";
    }
    field += text;
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string FormatCsv(const RunSummary& run, const std::vector<DriveOutcome>& drives) {
    std::string out =
        "line,serial,previous_setup_id,new_setup_id,result,error,saved_file,started,finished,seconds,warnings,"
        "verify\r\n";
    char seconds[32];
    for (const DriveOutcome& drive : drives) {
        std::snprintf(seconds, sizeof seconds, "%.3f", Seconds(drive));
        if (drive.storing) seconds[0] = '\0';
        out += (drive.listed ? std::to_string(drive.line + 1) : std::string()) + "," +
               CsvField(DriveText(drive.serial), true) + "," + CsvField(DriveText(drive.previous_setup_id), true) +
               "," + CsvField(DriveText(drive.new_setup_id), true) + "," +
               std::string(app::DriveResultName(drive.result)) + "," +
               CsvField(drive.result == DriveResult::Failed ? MessageLine(drive.error) : "", true) + "," +
               CsvField(drive.saved_file ? strings::PathText(*drive.saved_file) : "") + "," + IsoTime(drive.started) +
               "," + (drive.storing ? std::string() : IsoTime(drive.finished)) + "," + seconds + "," +
               CsvField(JoinedWarnings(drive)) + "," + std::string(app::VerificationName(drive.verification)) + "\r\n";
    }
    // The run's totals: one last row, its line "total", its result the
    // counts.
    const Totals totals = Count(drives);
    const std::string counts =
        std::string("drives=") + std::to_string(drives.size()) + " configured=" + std::to_string(totals.configured) +
        " failed=" + std::to_string(totals.failed) + " skipped=" + std::to_string(totals.skipped) +
        " interrupted=" + std::to_string(totals.interrupted);
    const std::string status =
        run.exit_status ? std::string("exit_status=") + std::to_string(*run.exit_status) : "running";
    out += "total,,,," + counts + "," + CsvField(status + (run.interrupted ? " interrupted" : "")) + "," +
           CsvField(run.log ? strings::PathText(*run.log) : "") + "," + IsoTime(run.started) + "," +
           (run.finished ? IsoTime(*run.finished) : "") + ",,,\r\n";
    return out;
}

}  // namespace

std::optional<ReportFormat> ReportFormatOf(const std::filesystem::path& path) {
    std::string extension = strings::PathText(path.extension());
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".json") return ReportFormat::Json;
    if (extension == ".csv") return ReportFormat::Csv;
    return std::nullopt;
}

std::string IsoTime(std::chrono::system_clock::time_point time) {
    const auto since_epoch = time.time_since_epoch();
    const auto whole = std::chrono::floor<std::chrono::seconds>(since_epoch);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch - whole).count();
    const std::time_t seconds = static_cast<std::time_t>(whole.count());
    const std::tm utc = UtcTime(seconds);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(millis));
    return std::string(text, length) + fraction;
}

std::string FormatReport(ReportFormat format, const RunSummary& run, const std::vector<DriveOutcome>& drives) {
    return format == ReportFormat::Json ? FormatJson(run, drives) : FormatCsv(run, drives);
}

bool WriteReport(const std::filesystem::path& path, ReportFormat format, const RunSummary& run,
                 const std::vector<DriveOutcome>& drives, std::string* error) {
    const std::string text = FormatReport(format, run, drives);
    return storage::ReplaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                error);
}

}  // namespace qx7::cli
