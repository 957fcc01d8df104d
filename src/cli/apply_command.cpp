// qx7ctl apply: configures drives from a .qx7 file as the window does it
// for each drive: read the drive, import the file, type the current
// administrator password, upload; then the automatic save and the log.
// Unlike the window's import, each drive keeps the bytes of its settings
// record that the form neither shows nor sets.

#include <iostream>
#include <sstream>

#include "app/configurator.h"
#include "app/memory_form_view.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/file_ranges.h"
#include "cli/messages.h"
#include "cli/password_input.h"
#include "storage/config_file.h"
#include "strings/control_escape.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using editor::ControlId;

constexpr std::uint16_t kNoDrivesDetected = 161;

struct ApplyArgs {
    std::string config;
    DriveChoice drive;
    bool all = false;
    std::string password_file;  // empty: ask on the terminal
    std::string folder = ".";
    bool no_auto_save = false;
    bool no_log = false;
};

// "line N: SERIAL", the serial number escaped: the drive's to choose, it
// must not end the line or drive the terminal.
std::string DriveLabel(std::size_t line, std::u16string_view serial) {
    const std::string shown = strings::ToUtf8(strings::EscapeControlCharacters(serial));
    return "line " + std::to_string(line + 1) + ": " + (shown.empty() ? "(no serial)" : shown);
}

int RunApply(const GlobalOptions& options, const ApplyArgs& args) {
    if (args.password_file.empty() && !CanAskForPassword()) {
        std::cerr << Message(options.language, MessageId::PasswordNeedsTerminal) << '\n';
        return kExitUsage;
    }
    const auto password = args.password_file.empty() ? AskForPassword(options.language)
                                                     : ReadPasswordFile(args.password_file, options.language);
    if (!password) return kExitFailure;
    // Refuse a bad file once, before any drive is touched; every drive then
    // gets what was checked, even if the file changes meanwhile.
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(args.config);
    if (loaded.error != storage::ConfigFileError::None) {
        std::cerr << strings::ToUtf8(
                         storage::ConfigFileErrorMessage(loaded.error, args.config, options.language))
                  << '\n';
        return kExitFailure;
    }
    if (const auto refusal = FormRefusalOf(loaded.payload, options.language)) {
        std::cerr << args.config << ": " << *refusal << '\n';
        return kExitFailure;
    }

    // The window's folder exists before anything is saved into it; here the
    // folder is named on the command line, so make it.
    std::error_code folder_error;
    std::filesystem::create_directories(args.folder, folder_error);
    if (folder_error) {
        std::cerr << Message(options.language, MessageId::CannotCreateFolder,
                             {args.folder, folder_error.message()})
                  << '\n';
        return kExitFailure;
    }

    std::string error;
    auto access = OpenDriveAccess(options, std::cerr, &error);
    if (!access) {
        std::cerr << error << '\n';
        return kExitFailure;
    }

    app::MemoryFormView view;
    CliHost host(std::cerr);
    host.sleep_on_wait = options.sim_state.empty();  // a real drive needs its pauses
    host.local_time = LocalTimeNow();
    host.program_folder = args.folder;
    app::Configurator configurator(view, host, access->enumerator(), options.language);
    configurator.set_diagnostics(&std::cerr);
    configurator.Initialize();

    view.SetText(ControlId::FolderField, strings::FromUtf8(args.folder));
    view.SetChecked(ControlId::AutoSaveConfiguration, !args.no_auto_save);
    view.SetChecked(ControlId::EnableLog, !args.no_log);

    const std::size_t listed = configurator.drive_table().listed_count();
    if (listed == 0) {
        std::cerr << strings::ToUtf8(strings::FormatResString(options.language, kNoDrivesDetected))
                  << '\n';
        return kExitFailure;
    }
    std::vector<std::size_t> lines;
    if (args.all) {
        for (std::size_t i = 0; i < listed; ++i) lines.push_back(i);
    } else {
        const auto line = ChosenLine(args.drive, configurator.drive_table(), access->enumerator(), options.language);
        if (!line) return kExitFailure;
        lines.push_back(*line);
    }

    int failures = 0;
    editor::SettingsForm& form = configurator.form();
    for (std::size_t line : lines) {
        const std::size_t messages_before = host.messages.size();
        // With --all, what the reading says waits for the serial number it
        // is prefixed with.
        std::ostringstream reading_diagnostics;
        if (args.all) {
            host.Hold();
            configurator.set_diagnostics(&reading_diagnostics);
        }
        view.SetComboIndex(ControlId::DriveList, static_cast<int>(line));
        configurator.OnDriveSelectionChanged();
        const std::string label = DriveLabel(line, configurator.serial_text());
        if (args.all) {
            configurator.set_diagnostics(&std::cerr);
            host.Release(label + ": ");
            host.PrintLines(reading_diagnostics.str());
        }
        bool ok = configurator.admin_ready();
        if (ok) {
            // The window's Import, with the file checked above, keeping the
            // drive's own bytes.
            form.ReadForm();
            form.ApplyConfigPayload(loaded.payload, editor::ImportMode::KeepDriveBytes);
            view.SetText(ControlId::CurrentPassword, *password);
            configurator.OnCurrentPasswordFocusLost();
            // A value the form refuses (its message shown) is never sent.
            ok = form.ReadForm();
        }
        if (ok) {
            configurator.OnCommand(ControlId::UploadSettings);
            ok = configurator.last_upload_succeeded();
        }
        std::cout << label << ": " << (ok ? "configured" : "FAILED");
        if (ok && host.messages.size() > messages_before) std::cout << " (with warnings)";
        std::cout << '\n';
        if (!ok) ++failures;
    }

    host.Release({});  // what follows is no drive's

    // The log is due when drives were configured and logging is on; it was
    // written when the exit left a log path behind.
    const std::vector<std::string> configured = configurator.uploaded_serials().entries();
    const bool log_due = !configured.empty() && view.Checked(ControlId::EnableLog);
    configurator.OnExit();
    if (log_due && !configurator.log_path()) {
        std::cerr << Message(options.language, MessageId::LogNotWritten) << '\n';
        for (const std::string& entry : configured) std::cerr << entry << '\n';
        return kExitFailure;
    }
    if (configurator.log_path()) std::cout << "log: " << configurator.log_path()->string() << '\n';
    return failures == 0 ? kExitSuccess : kExitFailure;
}

}  // namespace

void AddApplyCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto args = std::make_shared<ApplyArgs>();
    auto* apply = app.add_subcommand(
        "apply", "Configure drives from a .qx7 file, as the window does drive after drive");
    apply->add_option("CONFIG", args->config, "The .qx7 configuration file")->required();
    CLI::Option* drive = AddDriveChoice(*apply, args->drive);
    apply->add_flag("--all", args->all, "Configure every listed drive; each message starts with the drive's "
                                        "line and serial number")
        ->excludes(drive)
        ->excludes(apply->get_option("--serial"));
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
