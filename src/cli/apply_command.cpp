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

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iostream>
#include <mutex>

#include "app/provisioning.h"
#include "app/provisioning_station.h"
#include "cli/batch_console.h"
#include "cli/batch_report.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/dry_run_output.h"
#include "cli/file_ranges.h"
#include "cli/interrupt_signal.h"
#include "cli/messages.h"
#include "cli/password_input.h"
#include "storage/config_file.h"
#include "storage/writable_probe.h"
#include "strings/control_escape.h"
#include "strings/path_text.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using app::DriveOutcome;
using app::DriveResult;
using strings::StringId;

struct ApplyArgs {
    std::string config;
    DriveChoice drive;
    bool all = false;
    std::string password_file;  // empty: ask on the terminal
    std::string folder = ".";
    bool no_auto_save = false;
    bool no_log = false;
    std::size_t jobs = 0;  // 0: every drive of the run, at most app::kMaxJobs
    bool watch = false;
    std::size_t count = 0;
    std::string report;
    bool quiet = false;
    bool no_verify = false;
    bool dry_run = false;
    bool json = false;  // with --dry-run
};

// "line N: SERIAL", the serial number escaped: the drive's to choose, it
// must not end the line or drive the terminal.
std::string DriveLabel(std::size_t line, std::u16string_view serial, bool listed = true) {
    const std::string shown = strings::ToUtf8(strings::EscapeControlCharacters(serial));
    return (listed ? "line " + std::to_string(line + 1) : std::string("not listed")) + ": " +
           (shown.empty() ? "(no serial)" : shown);
}

std::string ResultLine(const DriveOutcome& drive) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s",
                  std::chrono::duration<double>(drive.finished - drive.started).count());
    const std::string label = DriveLabel(drive.line, drive.serial, drive.listed);
    if (!drive.listed) return label + ": FAILED: " + strings::ToUtf8(drive.error);
    switch (drive.result) {
        case DriveResult::Configured: {
            const std::string_view verified = app::VerificationName(drive.verification);
            const bool said = drive.verification == app::Verification::Verified ||
                              drive.verification == app::Verification::NothingToCompare;
            std::string line = label + ": configured (" + (drive.warnings ? "with warnings, " : "") +
                               (said ? std::string(verified) + ", " : "") + seconds + ")";
            for (const std::u16string& kept : drive.kept) line += ": " + MessageLine(kept);
            return line;
        }
        case DriveResult::Failed: return label + ": FAILED (" + seconds + ")";
        case DriveResult::Skipped: return label + ": skipped, configured earlier in this run";
        case DriveResult::Interrupted: return label + ": interrupted, nothing written";
        case DriveResult::Previewed: return PreviewText(label, drive);
    }
    return label;
}

// The line of a drive that accepted the write and is yet to be read back.
std::string WrittenLine(const DriveOutcome& drive) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s",
                  std::chrono::duration<double>(drive.finished - drive.started).count());
    return DriveLabel(drive.line, drive.serial, drive.listed) + ": written (" + seconds + "), to be read back";
}

// One drive of the run as the terminal shows it: its messages go to the
// console, prefixed with its line and serial number once it has been read
// when several drives share the terminal.
class CliDriveContext final : public app::DriveContext {
public:
    using WrittenHandler = std::function<void(const DriveOutcome&)>;
    CliDriveContext(BatchConsole& console, std::size_t line, bool prefixed, WrittenHandler written)
        : console_(console),
          line_(line),
          prefixed_(prefixed),
          written_(std::move(written)),
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
    void OnWritten(const DriveOutcome& outcome) override {
        if (written_) written_(outcome);
    }

private:
    BatchConsole& console_;
    std::size_t line_;
    bool prefixed_;
    WrittenHandler written_;
    std::string progress_label_;
    CliHost host_;
};

// The run's outcomes as they come in, and the report and the log rewritten
// with each: whatever ends the process later (a second Ctrl+C, SIGKILL, a
// power cut), both name every drive written so far.
class RunRecord {
public:
    RunRecord(const ApplyArgs& args, std::optional<ReportFormat> format, BatchConsole& console,
              strings::Language language, const std::tm& local_time)
        : args_(args), format_(format), console_(console), language_(language), local_time_(local_time) {
        summary_.mode = args.watch ? "watch" : "batch";
        summary_.started = std::chrono::system_clock::now();
    }

    // Records `drive`, in place of the record of the same attempt when
    // there is one (a drive recorded when its write was accepted, now
    // finished); the result that record had, if any.
    std::optional<DriveResult> Add(const DriveOutcome& drive) {
        std::lock_guard lock(mutex_);
        std::optional<DriveResult> before;
        const auto same = std::find_if(drives_.begin(), drives_.end(), [&](const DriveOutcome& recorded) {
            return drive.attempt != 0 && recorded.attempt == drive.attempt;
        });
        if (same != drives_.end()) {
            before = same->result;
            *same = drive;
        } else {
            drives_.push_back(drive);
        }
        const bool was_configured = before == DriveResult::Configured;
        if ((drive.result == DriveResult::Configured) != was_configured) {
            WriteLogLocked(app::LogOfRun(drives_));
        }
        WriteReportLocked();
        return before;
    }

    // The final log (every configured drive once, in the order of
    // `drives`) and report. Returns the run's exit status: `exit_status`,
    // or a failure when a successful run's log or report could not be
    // written (said on the console).
    int Finish(std::vector<DriveOutcome> drives, bool interrupted, int exit_status) {
        std::lock_guard lock(mutex_);
        drives_ = std::move(drives);
        const storage::UploadedSerials serials = app::LogOfRun(drives_);
        if (!serials.empty()) WriteLogLocked(serials);
        if (log_failed_ && exit_status == kExitSuccess) exit_status = kExitFailure;
        summary_.finished = std::chrono::system_clock::now();
        summary_.interrupted = interrupted;
        summary_.log = log_;
        summary_.exit_status = exit_status;
        if (!WriteReportLocked() && exit_status == kExitSuccess) exit_status = kExitFailure;
        return exit_status;
    }

    const std::optional<std::filesystem::path>& log() const { return log_; }
    std::vector<DriveOutcome> drives() {
        std::lock_guard lock(mutex_);
        return drives_;
    }
    bool log_failed() const { return log_failed_; }

    // The entries of a log that could not be written, for the console.
    void SayLogNotWritten() {
        if (!log_failed_) return;
        console_.Message(Message(language_, MessageId::LogNotWritten));
        const storage::UploadedSerials serials = app::LogOfRun(drives_);
        for (const std::string& entry : serials.entries()) console_.Message(entry);
    }

private:
    // The first write claims a fresh name; later ones replace that file.
    void WriteLogLocked(const storage::UploadedSerials& serials) {
        if (args_.no_log) return;
        bool ok = false;
        if (log_) {
            ok = storage::RewriteOperationLog(*log_, serials);
        } else {
            const storage::LogWriteResult written =
                storage::WriteOperationLog(strings::PathFromText(args_.folder), serials, local_time_);
            ok = written.ok;
            if (ok) log_ = written.path;
        }
        log_failed_ = !ok;
    }

    bool WriteReportLocked() {
        if (!format_) return true;
        std::string error;
        if (WriteReport(strings::PathFromText(args_.report), *format_, summary_, drives_, &error)) return true;
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
    std::tm local_time_;
    std::mutex mutex_;
    RunSummary summary_;
    std::vector<DriveOutcome> drives_;
    std::string last_error_;
    std::optional<std::filesystem::path> log_;
    bool log_failed_ = false;
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
        input.report_format = ReportFormatOf(strings::PathFromText(args.report));
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
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(strings::PathFromText(args.config));
    if (loaded.error != storage::ConfigFileError::None) {
        std::cerr << MessageLine(
                         storage::ConfigFileErrorMessage(loaded, strings::PathFromText(args.config), options.language))
                  << '\n';
        return std::nullopt;
    }
    if (const auto refusal = FormRefusalOf(loaded.payload, options.language)) {
        std::cerr << args.config << ": " << *refusal << '\n';
        return std::nullopt;
    }
    // The window's folder exists before anything is saved into it; here the
    // folder is named on the command line, so make it. A dry run saves
    // nothing and makes nothing.
    std::error_code folder_error;
    if (!args.dry_run) std::filesystem::create_directories(strings::PathFromText(args.folder), folder_error);
    if (folder_error) {
        std::cerr << Message(options.language, MessageId::CannotCreateFolder, {args.folder, folder_error.message()})
                  << '\n';
        return std::nullopt;
    }
    // The saved files, the log and the report must fit where they go: a
    // drive written whose record cannot be kept is found out here, before
    // the first drive, not after the last.
    std::vector<std::filesystem::path> folders;
    if (!args.dry_run && (!args.no_auto_save || !args.no_log)) folders.push_back(strings::PathFromText(args.folder));
    if (!args.report.empty()) folders.push_back(strings::PathFromText(args.report).parent_path());
    for (const std::filesystem::path& folder : folders) {
        std::string probe_error;
        if (!storage::ProbeWritableFolder(folder, &probe_error)) {
            const std::string shown = folder.empty() ? std::string(".") : strings::PathText(folder);
            std::cerr << Message(options.language, MessageId::FolderNotWritable, {shown, probe_error}) << '\n';
            return std::nullopt;
        }
    }
    input.plan.payload = loaded.payload;
    input.plan.password = *password;
    input.plan.folder = strings::PathFromText(args.folder);
    input.plan.auto_save = !args.no_auto_save && !args.dry_run;
    input.plan.verify = !args.no_verify;
    input.plan.dry_run = args.dry_run;
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
    ApplyArgs recorded = args;
    recorded.no_log = recorded.no_log || args.dry_run;  // a dry run writes no log (nor a report: refused)
    RunRecord record(recorded, input->report_format, console, options.language, plan.local_time);
    InterruptSignal interrupt;
    const bool prefixed = args.all || args.watch;
    // A drive is recorded (report, log) as soon as it accepted the write,
    // before it is shown: once its line is on the screen, nothing that ends
    // the process can lose the drive, not even during the pause in which
    // the drive stores the settings.
    // With the read-back to come, the line says the drive was written; the
    // drive is "configured" once the read-back found what was sent.
    const CliDriveContext::WrittenHandler written = [&](const DriveOutcome& drive) {
        record.Add(drive);
        console.Result(plan.verify ? WrittenLine(drive) : ResultLine(drive));
    };
    const app::DriveContextFactory contexts = [&console, prefixed, &written](std::size_t line) {
        return std::make_unique<CliDriveContext>(console, line, prefixed, written);
    };
    const app::OutcomeHandler finished = [&](const DriveOutcome& drive) {
        const std::optional<DriveResult> shown = record.Add(drive);
        console.CountDone();
        // A drive shown when its write was accepted is shown again when its
        // result changed since, or with what its read-back found.
        if (!args.json && (shown != drive.result || plan.verify)) console.Result(ResultLine(drive));
    };

    std::vector<DriveOutcome> outcomes;
    bool no_drives = false;
    if (args.watch) {
        auto watcher = access->Watch([&console](const std::string& problem) { console.Message(problem); }, &error);
        if (!watcher) {
            std::cerr << error << '\n';
            return kExitFailure;
        }
        console.SetTotal(args.count);
        console.Message(Message(options.language, MessageId::WatchStarted));
        app::StationSettings settings;
        settings.count = args.count;
        settings.jobs = args.jobs ? args.jobs : app::kMaxJobs;
        interrupt.WakeOnSignal(watcher.get());
        outcomes = app::RunStation(plan, devices, *watcher, settings, contexts, finished, interrupt.flag());
        interrupt.WakeOnSignal(nullptr);
    } else {
        const transport::DriveTable table = transport::ScanDrives(devices);
        const std::size_t listed = table.listed_count();
        std::vector<std::size_t> lines;
        if (listed == 0 && (!args.all || table.unlisted.empty())) {
            console.Message(strings::ToUtf8(strings::FormatResString(options.language, StringId::NoDrivesDetected)));
            no_drives = true;
        } else if (args.all) {
            for (std::size_t i = 0; i < listed; ++i) lines.push_back(i);
        } else {
            const auto line = ChosenLine(args.drive, table, devices, options.language);
            if (!line) return line.status;
            lines.push_back(*line);
        }
        console.SetTotal(lines.size() + (args.all ? table.unlisted.size() : 0));
        const std::size_t jobs = args.jobs ? args.jobs : app::DefaultJobs(lines.size());
        outcomes = app::ProvisionDrives(plan, devices, table, lines, jobs, contexts, finished, &interrupt.flag());
        // Every drive of ours that is present is accounted for: one found
        // but not listed fails, with the reason, and nothing is sent to it.
        if (args.all) {
            for (const transport::UnlistedDrive& drive : table.unlisted) {
                const MessageId reason = drive.reason == transport::UnlistedReason::TableFull
                                             ? MessageId::UnlistedTableFull
                                             : MessageId::UnlistedScanFailed;
                outcomes.push_back(app::UnlistedOutcome(drive, strings::FromUtf8(Message(options.language, reason))));
                finished(outcomes.back());
            }
        }
    }
    const bool interrupted = interrupt.flag().load();
    if (interrupted) console.Message(Message(options.language, MessageId::Interrupted));

    const bool all_configured = std::all_of(outcomes.begin(), outcomes.end(), [](const DriveOutcome& drive) {
        return drive.result == DriveResult::Configured || drive.result == DriveResult::Skipped ||
               drive.result == DriveResult::Previewed;
    });
    if (interrupted) {
        status = 128 + (interrupt.signal_number() ? interrupt.signal_number() : 2);
    } else {
        status = (no_drives || !all_configured) ? kExitFailure : kExitSuccess;
    }
    // The log is final before the report says where it is; a log that
    // could not be written fails the run.
    status = record.Finish(std::move(outcomes), interrupted, status);
    record.SayLogNotWritten();
    if (record.log()) console.Result("log: " + strings::PathText(*record.log()));
    if (args.dry_run) {
        if (args.json) {
            std::vector<DriveOutcome> shown = record.drives();
            console.Result(DryRunJson(shown, status));
        } else {
            console.Result("dry run: nothing was written to any drive");
        }
    }
    return status;
}

}  // namespace

void AddApplyCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto args = std::make_shared<ApplyArgs>();
    auto* apply =
        app.add_subcommand("apply", "Configure drives from a .qx7 file, as the window does drive after drive");
    apply->add_option("CONFIG", args->config, "The .qx7 configuration file")->required();
    CLI::Option* drive = AddDriveChoice(*apply, args->drive);
    CLI::Option* serial = apply->get_option("--serial");
    CLI::Option* all = apply
                           ->add_flag("--all", args->all,
                                      "Configure every listed drive, several at once; each message starts "
                                      "with the drive's line and serial number")
                           ->excludes(drive)
                           ->excludes(serial);
    apply
        ->add_option("--jobs", args->jobs,
                     "Drives configured at once with --all or --watch (default: every drive, at most 256)")
        ->check(CLI::Range(std::size_t{1}, app::kMaxJobs));
    CLI::Option* watch = apply
                             ->add_flag("--watch", args->watch,
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
    apply->add_option("--folder", args->folder, "Folder for the automatically saved files and the log")
        ->capture_default_str();
    apply->add_flag("--no-auto-save", args->no_auto_save, "Do not save a .qx7 file per drive");
    apply->add_flag("--no-log", args->no_log, "Do not write the log of configured drives");
    apply->add_flag("--no-verify", args->no_verify,
                    "Do not read each drive again after its upload to compare what it holds with what was sent");
    CLI::Option* dry_run =
        apply
            ->add_flag("--dry-run", args->dry_run,
                       "Read each chosen drive and print what the upload would change; write nothing to any "
                       "drive and save no file, no log")
            ->excludes(watch)
            ->excludes(apply->get_option("--report"));
    apply->add_flag("--json", args->json, "With --dry-run: print one JSON object instead of the lines")->needs(dry_run);
    apply->callback([&options, &exit_code, args] { exit_code = RunApply(options, *args); });
}

}  // namespace qx7::cli
