// qx7ctl apply: configures drives from a .qx7 file exactly as the window
// does it for each drive: read the drive, import the file, type the current
// administrator password, upload; then the automatic save and the log.

#include <fstream>
#include <iostream>

#include "app/configurator.h"
#include "app/memory_form_view.h"
#include "app/scripted_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "storage/config_file.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using editor::ControlId;

constexpr std::uint16_t kNoDrivesDetected = 161;

struct ApplyArgs {
    std::string config;
    std::size_t drive = 1;
    bool all = false;
    std::string password_file;
    std::string folder = ".";
    bool no_auto_save = false;
    bool no_log = false;
};

// The first line of the file, without its line end.
std::optional<std::u16string> ReadPassword(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return strings::FromUtf8(line);
}

int RunApply(const GlobalOptions& options, const ApplyArgs& args) {
    const auto password = ReadPassword(args.password_file);
    if (!password || password->empty()) {
        std::cerr << "The password file " << args.password_file
                  << " cannot be read or its first line is empty.\n";
        return 1;
    }
    // Refuse a bad file once, before any drive is touched.
    const storage::LoadedConfigFile check = storage::LoadConfigFile(args.config);
    if (check.error != storage::ConfigFileError::None) {
        std::cerr << strings::ToUtf8(
                         storage::ConfigFileErrorMessage(check.error, args.config, options.language))
                  << '\n';
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
    app::ScriptedHost host;
    host.message_stream = &std::cerr;
    host.sleep_on_wait = options.sim_state.empty();  // a real drive needs its pauses
    host.local_time = LocalTimeNow();
    host.program_folder = args.folder;
    host.open_path = std::filesystem::path(args.config);
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
    for (std::size_t line : lines) {
        const std::size_t messages_before = host.messages.size();
        view.SetComboIndex(ControlId::DriveList, static_cast<int>(line));
        configurator.OnDriveSelectionChanged();
        bool ok = configurator.admin_ready();
        if (ok) {
            configurator.OnCommand(ControlId::Import);
            view.SetText(ControlId::CurrentPassword, *password);
            configurator.OnCurrentPasswordFocusLost();
            configurator.OnCommand(ControlId::UploadSettings);
            ok = configurator.last_upload_succeeded();
        }
        const std::string serial = strings::ToUtf8(configurator.serial_text());
        std::cout << "line " << line + 1 << ": " << (serial.empty() ? "(no serial)" : serial) << ": "
                  << (ok ? "configured" : "FAILED");
        if (ok && host.messages.size() > messages_before) std::cout << " (with warnings)";
        std::cout << '\n';
        if (!ok) ++failures;
    }

    configurator.OnExit();
    if (!host.ended) {
        std::cerr << "The log could not be written; the serial numbers configured are:\n";
        for (const auto& entry : configurator.uploaded_serials().entries()) std::cerr << entry << '\n';
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
                      "File whose first line is the drives' current administrator password")
        ->required();
    apply->add_option("--folder", args->folder,
                      "Folder for the automatically saved files and the log")
        ->capture_default_str();
    apply->add_flag("--no-auto-save", args->no_auto_save, "Do not save a .qx7 file per drive");
    apply->add_flag("--no-log", args->no_log, "Do not write the log of configured drives");
    apply->callback([&options, &exit_code, args] { exit_code = RunApply(options, *args); });
}

}  // namespace qx7::cli
