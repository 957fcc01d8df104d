// qx7ctl apply: configures drives from a .qx7 file as the window does it
// for each drive: read the drive, import the file, type the current
// administrator password, upload; then the automatic save and the log.
// Unlike the window's import, each drive keeps the bytes of its settings
// record that the form neither shows nor sets.

#include <iostream>

#include "app/configurator.h"
#include "app/memory_form_view.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/file_ranges.h"
#include "storage/bounded_read.h"
#include "storage/config_file.h"
#include "strings/control_escape.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using editor::ControlId;

constexpr std::uint16_t kNoDrivesDetected = 161;
// A password has at most 32 characters; a first line this long is no
// password file.
constexpr std::size_t kMaxPasswordLineBytes = 256;

struct ApplyArgs {
    std::string config;
    std::size_t drive = 1;
    bool all = false;
    std::string password_file;
    std::string folder = ".";
    bool no_auto_save = false;
    bool no_log = false;
};

// The first line of the password file ("-": standard input), or nothing
// with the reason on standard error.
std::optional<std::u16string> ReadPassword(const std::string& path) {
    const std::string name = path == "-" ? std::string("standard input") : "the password file " + path;
    const storage::BoundedRead read = storage::ReadFirstLine(path, kMaxPasswordLineBytes);
    if (!read.ok) {
        std::cerr << "The password cannot be read: " << name << ' ' << read.problem << ".\n";
        return std::nullopt;
    }
    if (read.bytes.empty()) {
        std::cerr << "The password cannot be read: the first line of " << name << " is empty.\n";
        return std::nullopt;
    }
    return strings::FromUtf8(read.bytes);
}

int RunApply(const GlobalOptions& options, const ApplyArgs& args) {
    const auto password = ReadPassword(args.password_file);
    if (!password) return 1;
    // Refuse a bad file once, before any drive is touched; every drive then
    // gets what was checked, even if the file changes meanwhile.
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(args.config);
    if (loaded.error != storage::ConfigFileError::None) {
        std::cerr << strings::ToUtf8(
                         storage::ConfigFileErrorMessage(loaded.error, args.config, options.language))
                  << '\n';
        return 1;
    }
    if (const auto refusal = FormRefusalOf(loaded.payload, options.language)) {
        std::cerr << args.config << ": " << *refusal << '\n';
        return 1;
    }

    // The window's folder exists before anything is saved into it; here the
    // folder is named on the command line, so make it.
    std::error_code folder_error;
    std::filesystem::create_directories(args.folder, folder_error);
    if (folder_error) {
        std::cerr << "Cannot create the folder " << args.folder << ": " << folder_error.message()
                  << '\n';
        return 1;
    }

    std::string error;
    auto access = OpenDriveAccess(options, std::cerr, &error);
    if (!access) {
        std::cerr << error << '\n';
        return 1;
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
        return 1;
    }
    std::vector<std::size_t> lines;
    if (args.all) {
        for (std::size_t i = 0; i < listed; ++i) lines.push_back(i);
    } else if (args.drive >= 1 && args.drive <= listed) {
        lines.push_back(args.drive - 1);
    } else {
        std::cerr << "There is no drive on line " << args.drive << "; " << listed
                  << (listed == 1 ? " drive is" : " drives are") << " listed.\n";
        return 1;
    }

    int failures = 0;
    editor::SettingsForm& form = configurator.form();
    for (std::size_t line : lines) {
        const std::size_t messages_before = host.messages.size();
        view.SetComboIndex(ControlId::DriveList, static_cast<int>(line));
        configurator.OnDriveSelectionChanged();
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
        // The serial number is the drive's to choose: printed so that it
        // cannot end this line or drive the terminal.
        const std::string serial = strings::ToUtf8(strings::EscapeControlCharacters(configurator.serial_text()));
        std::cout << "line " << line + 1 << ": " << (serial.empty() ? "(no serial)" : serial) << ": "
                  << (ok ? "configured" : "FAILED");
        if (ok && host.messages.size() > messages_before) std::cout << " (with warnings)";
        std::cout << '\n';
        if (!ok) ++failures;
    }

    // The log is due when drives were configured and logging is on; it was
    // written when the exit left a log path behind.
    const std::vector<std::string> configured = configurator.uploaded_serials().entries();
    const bool log_due = !configured.empty() && view.Checked(ControlId::EnableLog);
    configurator.OnExit();
    if (log_due && !configurator.log_path()) {
        std::cerr << "The log could not be written; the serial numbers configured are:\n";
        for (const std::string& entry : configured) std::cerr << entry << '\n';
        return 1;
    }
    if (configurator.log_path()) std::cout << "log: " << configurator.log_path()->string() << '\n';
    return failures == 0 ? 0 : 1;
}

}  // namespace

void AddApplyCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto args = std::make_shared<ApplyArgs>();
    auto* apply = app.add_subcommand(
        "apply", "Configure drives from a .qx7 file, as the window does drive after drive");
    apply->add_option("CONFIG", args->config, "The .qx7 configuration file")->required();
    auto* drive = apply->add_option("--drive", args->drive, "Line of the drive list (1-based)")
                      ->capture_default_str()
                      ->check(CLI::PositiveNumber);
    apply->add_flag("--all", args->all, "Configure every listed drive")->excludes(drive);
    apply->add_option("--password-file", args->password_file,
                      "File whose first line is the drives' current administrator password "
                      "(- for standard input)")
        ->required();
    apply->add_option("--folder", args->folder,
                      "Folder for the automatically saved files and the log")
        ->capture_default_str();
    apply->add_flag("--no-auto-save", args->no_auto_save, "Do not save a .qx7 file per drive");
    apply->add_flag("--no-log", args->no_log, "Do not write the log of configured drives");
    apply->callback([&options, &exit_code, args] { exit_code = RunApply(options, *args); });
}

}  // namespace qx7::cli
