// qx7ctl apply: configures drives from a .qx7 file as the window does it
// for each drive: read the drive, import the file, type the current
// administrator password, upload; then the automatic save and the log.
// Unlike the window's import, each drive keeps the bytes of its settings
// record that the form neither shows nor sets.
//
// One drive, every listed drive at once (--all, up to --jobs at a time), or
// a station that configures each drive plugged in (--watch): all three go
// through app::ProvisionDrive. Ctrl+C lets the drives already uploading
// finish, then the log and the report are written.

#include <cstdio>
#include <iostream>
#include <mutex>

#include "app/provisioning.h"
#include "app/provisioning_station.h"
#include "cli/batch_console.h"
#include "cli/batch_report.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/file_ranges.h"
#include "cli/interrupt_signal.h"
#include "cli/messages.h"
#include "cli/password_input.h"
#include "storage/config_file.h"
#include "strings/control_escape.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using app::DriveOutcome;
using app::DriveResult;

constexpr std::uint16_t kNoDrivesDetected = 161;
// Drives configured at once by default: more than a powered hub holds, so
// that a whole hub takes as long as its slowest drive.
constexpr std::size_t kDefaultJobs = 32;

struct ApplyArgs {
    std::string config;
    DriveChoice drive;
    bool all = false;
    std::string password_file;  // empty: ask on the terminal
    std::string folder = ".";
    bool no_auto_save = false;
    bool no_log = false;
    std::size_t jobs = kDefaultJobs;
    bool watch = false;
    std::size_t count = 0;
    std::string report;
    bool quiet = false;
};

// "line N: SERIAL", the serial number escaped: the drive's to choose, it
// must not end the line or drive the terminal.
std::string DriveLabel(std::size_t line, std::u16string_view serial) {
    const std::string shown = strings::ToUtf8(strings::EscapeControlCharacters(serial));
    return "line " + std::to_string(line + 1) + ": " + (shown.empty() ? "(no serial)" : shown);
}

std::string ResultLine(const DriveOutcome& drive) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s",
                  std::chrono::duration<double>(drive.finished - drive.started).count());
    const std::string label = DriveLabel(drive.line, drive.serial);
    switch (drive.result) {
        case DriveResult::Configured:
        {
            std::string line = label + ": configured (" + (drive.warnings ? "with warnings, " : "") + seconds + ")";
            for (const std::u16string& kept : drive.kept) line += ": " + MessageLine(kept);
            return line;
        }
        case DriveResult::Failed: return label + ": FAILED (" + seconds + ")";
        case DriveResult::Skipped: return label + ": skipped, configured earlier in this run";
        case DriveResult::Interrupted: return label + ": interrupted, nothing written";
    }
    return label;
}

// One drive of the run as the terminal shows it: its messages go to the
// console, prefixed with its line and serial number once it has been read
// when several drives share the terminal.
class CliDriveContext final : public app::DriveContext {
public:
    CliDriveContext(BatchConsole& console, std::size_t line, bool prefixed)
        : console_(console),
          line_(line),
          prefixed_(prefixed),
          progress_label_(std::string("line ") + std::to_string(line + 1)),
          host_([&console](const std::string& text) { console.Message(text); }) {
        host_.Hold();  // until the serial number is known
    }
    app::ScriptedHost& host() override { return host_; }
    void OnStep(app::DriveStep step) override {
        console_.SetStep(progress_label_,
                         step == app::DriveStep::Finished ? std::string_view() : app::DriveStepName(step));
    }
    void OnRead(std::u16string_view serial, std::string_view diagnostics) override {
        host_.Release(prefixed_ ? DriveLabel(line_, serial) + ": " : std::string());
        host_.PrintLines(diagnostics);
    }

private:
    BatchConsole& console_;
    std::size_t line_;
    bool prefixed_;
    std::string progress_label_;
    CliHost host_;
};

// The run's outcomes as they come in, and the report rewritten with each.
class RunRecord {
public:
    RunRecord(const ApplyArgs& args, std::optional<ReportFormat> format, BatchConsole& console,
              strings::Language language)
        : args_(args), format_(format), console_(console), language_(language) {
        summary_.mode = args.watch ? "watch" : "batch";
        summary_.started = std::chrono::system_clock::now();
    }

    void Add(const DriveOutcome& drive) {
        std::lock_guard lock(mutex_);
        drives_.push_back(drive);
        WriteLocked();
    }

    // The final report; false when it could not be written (said on the
    // console).
    bool Finish(std::vector<DriveOutcome> drives, bool interrupted, std::optional<std::filesystem::path> log,
                int exit_status) {
        std::lock_guard lock(mutex_);
        drives_ = std::move(drives);
        summary_.finished = std::chrono::system_clock::now();
        summary_.interrupted = interrupted;
        summary_.log = std::move(log);
        summary_.exit_status = exit_status;
        return WriteLocked();
    }

private:
    bool WriteLocked() {
        if (!format_) return true;
        std::string error;
        if (WriteReport(args_.report, *format_, summary_, drives_, &error)) return true;
        if (error != last_error_) {
            console_.Message(Message(language_, MessageId::ReportNotWritten, {args_.report, error}));
            last_error_ = error;
        }
        return false;
    }

    const ApplyArgs& args_;
    std::optional<ReportFormat> format_;
    BatchConsole& console_;
    strings::Language language_;
    std::mutex mutex_;
    RunSummary summary_;
    std::vector<DriveOutcome> drives_;
    std::string last_error_;
};

// Everything checked before a drive is touched; a refusal is the caller's
// input error.
struct CheckedInput {
    app::ProvisioningPlan plan;
    std::optional<ReportFormat> report_format;
};

std::optional<CheckedInput> CheckInput(const GlobalOptions& options, const ApplyArgs& args, int* status) {
    *status = kExitUsage;
    CheckedInput input;
    if (!args.report.empty()) {
        input.report_format = ReportFormatOf(args.report);
        if (!input.report_format) {
            std::cerr << Message(options.language, MessageId::ReportFormat, {args.report}) << '\n';
            return std::nullopt;
        }
    }
    if (args.password_file.empty() && !CanAskForPassword()) {
        std::cerr << Message(options.language, MessageId::PasswordNeedsTerminal) << '\n';
        return std::nullopt;
    }
    const auto password = args.password_file.empty() ? AskForPassword(options.language)
                                                     : ReadPasswordFile(args.password_file, options.language);
    if (!password) return std::nullopt;
    // Refuse a bad file once, before any drive is touched; every drive then
    // gets what was checked, even if the file changes meanwhile.
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(args.config);
    if (loaded.error != storage::ConfigFileError::None) {
        std::cerr << strings::ToUtf8(
                         storage::ConfigFileErrorMessage(loaded.error, args.config, options.language))
                  << '\n';
        return std::nullopt;
    }
    if (const auto refusal = FormRefusalOf(loaded.payload, options.language)) {
        std::cerr << args.config << ": " << *refusal << '\n';
        return std::nullopt;
    }
    // The window's folder exists before anything is saved into it; here the
    // folder is named on the command line, so make it.
    std::error_code folder_error;
    std::filesystem::create_directories(args.folder, folder_error);
    if (folder_error) {
        std::cerr << Message(options.language, MessageId::CannotCreateFolder,
                             {args.folder, folder_error.message()})
                  << '\n';
        return std::nullopt;
    }
    input.plan.payload = loaded.payload;
    input.plan.password = *password;
    input.plan.folder = args.folder;
    input.plan.auto_save = !args.no_auto_save;
    input.plan.language = options.language;
    input.plan.local_time = LocalTimeNow();
    input.plan.real_waits = RealWaits(options);
    *status = kExitSuccess;
    return input;
}

int RunApply(const GlobalOptions& options, const ApplyArgs& args) {
    int status = kExitSuccess;
    const std::optional<CheckedInput> input = CheckInput(options, args, &status);
    if (!input) return status;
    const app::ProvisioningPlan& plan = input->plan;

    std::string error;
    auto access = OpenDriveAccess(options, std::cerr, &error);
    if (!access) {
        std::cerr << error << '\n';
        return kExitFailure;
    }
    transport::DeviceEnumerator& devices = access->enumerator();

    BatchConsole console(std::cout, std::cerr, !args.quiet && StandardErrorIsTerminal());
    RunRecord record(args, input->report_format, console, options.language);
    InterruptSignal interrupt;
    const bool prefixed = args.all || args.watch;
    const app::DriveContextFactory contexts = [&console, prefixed](std::size_t line) {
        return std::make_unique<CliDriveContext>(console, line, prefixed);
    };
    const app::OutcomeHandler finished = [&](const DriveOutcome& drive) {
        console.CountDone();
        console.Result(ResultLine(drive));
        record.Add(drive);
    };

    std::vector<DriveOutcome> outcomes;
    bool no_drives = false;
    if (args.watch) {
        auto watcher =
            access->Watch([&console](const std::string& problem) { console.Message(problem); }, &error);
        if (!watcher) {
            std::cerr << error << '\n';
            return kExitFailure;
        }
        console.SetTotal(args.count);
        console.Message(Message(options.language, MessageId::WatchStarted));
        app::StationSettings settings;
        settings.count = args.count;
        settings.jobs = args.jobs;
        outcomes = app::RunStation(plan, devices, *watcher, settings, contexts, finished, interrupt.flag(),
                                   interrupt.wake_descriptor());
    } else {
        const transport::DriveTable table = transport::ScanDrives(devices);
        const std::size_t listed = table.listed_count();
        std::vector<std::size_t> lines;
        if (listed == 0) {
            console.Message(strings::ToUtf8(strings::FormatResString(options.language, kNoDrivesDetected)));
            no_drives = true;
        } else if (args.all) {
            for (std::size_t i = 0; i < listed; ++i) lines.push_back(i);
        } else {
            const auto line = ChosenLine(args.drive, table, devices, options.language);
            if (!line) return ChoiceFailureStatus(args.drive);
            lines.push_back(*line);
        }
        console.SetTotal(lines.size());
        outcomes = app::ProvisionDrives(plan, devices, table, lines, args.jobs, contexts, finished,
                                        &interrupt.flag());
    }
    const bool interrupted = interrupt.flag().load();
    if (interrupted) console.Message(Message(options.language, MessageId::Interrupted));

    // One log for the run: every configured drive once, in the order of the
    // drive list (a station: in the order they were configured).
    const storage::UploadedSerials serials = app::LogOfRun(outcomes);
    std::optional<std::filesystem::path> log;
    bool log_failed = false;
    if (!args.no_log && !serials.empty()) {
        const storage::LogWriteResult written = storage::WriteOperationLog(args.folder, serials, plan.local_time);
        if (written.ok) {
            log = written.path;
        } else {
            log_failed = true;
            console.Message(Message(options.language, MessageId::LogNotWritten));
            for (const std::string& entry : serials.entries()) console.Message(entry);
        }
    }

    const bool all_configured =
        std::all_of(outcomes.begin(), outcomes.end(),
                    [](const DriveOutcome& drive) { return drive.result == DriveResult::Configured ||
                                                           drive.result == DriveResult::Skipped; });
    if (interrupted) {
        status = 128 + (interrupt.signal_number() ? interrupt.signal_number() : 2);
    } else {
        status = (no_drives || log_failed || !all_configured) ? kExitFailure : kExitSuccess;
    }
    if (!record.Finish(std::move(outcomes), interrupted, log, status) && status == kExitSuccess) {
        status = kExitFailure;
    }
    if (log) console.Result("log: " + log->string());
    return status;
}

}  // namespace

void AddApplyCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto args = std::make_shared<ApplyArgs>();
    auto* apply = app.add_subcommand(
        "apply", "Configure drives from a .qx7 file, as the window does drive after drive");
    apply->add_option("CONFIG", args->config, "The .qx7 configuration file")->required();
    CLI::Option* drive = AddDriveChoice(*apply, args->drive);
    CLI::Option* serial = apply->get_option("--serial");
    CLI::Option* all = apply->add_flag("--all", args->all,
                                       "Configure every listed drive, several at once; each message starts "
                                       "with the drive's line and serial number")
                           ->excludes(drive)
                           ->excludes(serial);
    apply->add_option("--jobs", args->jobs, "Drives configured at once with --all or --watch")
        ->capture_default_str()
        ->check(CLI::Range(std::size_t{1}, std::size_t{256}));
    CLI::Option* watch = apply->add_flag("--watch", args->watch,
                                         "Keep running and configure each drive plugged in, once, until Ctrl+C "
                                         "or --count drives")
                             ->excludes(drive)
                             ->excludes(serial)
                             ->excludes(all);
    // A bound a station can reach, not the largest double the parser's
    // PositiveNumber would name.
    apply->add_option("--count", args->count, "With --watch: stop after this many drives are configured")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1000000}))
        ->needs(watch);
    apply->add_option("--report", args->report,
                      "Write a report of every drive to this file: JSON (.json) or CSV (.csv)");
    apply->add_flag("--quiet", args->quiet, "No live progress line on the terminal");
    apply->add_option("--password-file", args->password_file,
                      "File whose first line is the drives' current administrator password "
                      "(- for standard input; without this option it is asked for on the terminal)");
    apply->add_option("--folder", args->folder,
                      "Folder for the automatically saved files and the log")
        ->capture_default_str();
    apply->add_flag("--no-auto-save", args->no_auto_save, "Do not save a .qx7 file per drive");
    apply->add_flag("--no-log", args->no_log, "Do not write the log of configured drives");
    apply->callback([&options, &exit_code, args] { exit_code = RunApply(options, *args); });
}

}  // namespace qx7::cli
