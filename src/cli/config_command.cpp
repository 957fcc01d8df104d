// qx7ctl config show / config new: read and write ".qx7" configuration files.

#include <iostream>

#include "app/configurator.h"
#include "app/memory_form_view.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "cli/drive_access.h"
#include "cli/form_json.h"
#include "cli/messages.h"
#include "cli/settings_json.h"
#include "protocol/constants.h"
#include "storage/bounded_read.h"
#include "storage/config_file.h"
#include "strings/hex.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"
#include "transport/device_enumerator.h"

namespace qx7::cli {
namespace {

using editor::ControlId;

constexpr std::string_view kHiddenPassword = "(hidden)";
// A form is a few dozen keys; anything this large is another file.
constexpr std::size_t kMaxFormBytes = 1 << 20;

struct ShowArgs {
    std::string path;
    bool json = false;
    bool show_passwords = false;
};

struct NewArgs {
    std::string out;
    std::string form;
    std::optional<std::size_t> from_drive;
    std::string from_serial;
    std::string base;
};

// A password of the file: hidden unless asked for, as the file is read by
// anyone who has a copy of this program.
std::string PasswordText(const storage::ConfigFilePayload::Password& field, bool show_passwords) {
    const std::string text = strings::ToUtf8(storage::PasswordFieldText(field));
    return show_passwords || text.empty() ? text : std::string(kHiddenPassword);
}

nlohmann::ordered_json PayloadToJson(const storage::ConfigFilePayload& p, bool show_passwords) {
    const std::uint32_t mask = p.change_mask;
    nlohmann::ordered_json tags = nlohmann::ordered_json::array();
    for (const auto& tag : p.tags_by_slot) {
        tags.push_back({{"uid", strings::ToHex(std::span(tag.uid).first(std::min<std::size_t>(tag.uid_length, 16)))},
                        {"uid_length", tag.uid_length},
                        {"bytes", strings::ToHex(tag.Encode())}});
    }
    return {
        {"format_version", p.format_version},
        {"change_mask", mask},
        {"changes",
         {{"user_password", (mask & protocol::kChangeUserPassword) != 0},
          {"admin_password", (mask & protocol::kChangeAdminPassword) != 0},
          {"rfid_tags", (mask & protocol::kChangeRfidTags) != 0},
          {"settings", (mask & protocol::kChangeSettings) != 0}}},
        {"current_admin_password", PasswordText(p.current_admin_password, show_passwords)},
        {"new_admin_password", PasswordText(p.new_admin_password, show_passwords)},
        {"new_admin_password_length", p.new_admin_password_length},
        {"new_user_password", PasswordText(p.new_user_password, show_passwords)},
        {"settings", SettingsToJson(p.settings)},
        {"tags_by_slot", tags},
        {"admin_tag_1", p.admin_tag[0]},
        {"admin_tag_2", p.admin_tag[1]},
        {"admin_tag_3", p.admin_tag[2]},
        {"tag_count", p.tag_count},
    };
}

int RunShow(const GlobalOptions& options, const ShowArgs& args) {
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(strings::PathFromText(args.path));
    if (loaded.error != storage::ConfigFileError::None) {
        std::cerr << MessageLine(
                         storage::ConfigFileErrorMessage(loaded, strings::PathFromText(args.path), options.language))
                  << '\n';
        return kExitFailure;
    }
    const auto out = PayloadToJson(loaded.payload, args.show_passwords);
    if (args.json) {
        std::cout << JsonText(out) << '\n';
    } else {
        PrintFields(std::cout, out);
    }
    return kExitSuccess;
}

// No drives: a form is prepared without one.
class NoDevices final : public transport::DeviceEnumerator {
public:
    std::vector<transport::UsbDevice> UsbDevices() override { return {}; }
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass) override { return {}; }
    std::vector<transport::Volume> Volumes() override { return {}; }
    std::unique_ptr<transport::ScsiDevice> Open(const std::string&) override { return nullptr; }
};

bool IsTrue(const nlohmann::json& form, const char* key) {
    const auto it = form.find(key);
    return it != form.end() && it->is_boolean() && it->get<bool>();
}

bool HasText(const nlohmann::json& form, const char* key) {
    const auto it = form.find(key);
    return it != form.end() && it->is_string() && !it->get<std::string>().empty();
}

// What the form does not give and the base does not hold, of the settings
// the file will write. A base file holds them when it changes the settings
// itself (a file that does not carries the form's starting values); a drive
// holds all but the block-menu mask, which the window never takes from one.
std::vector<std::string> MissingSettingsKeys(const nlohmann::json& form, const NewArgs& args,
                                             const storage::ConfigFilePayload* base) {
    const bool base_has_settings = base && (base->change_mask & protocol::kChangeSettings) != 0;
    const bool asks_for_settings =
        IsTrue(form, "change_settings") || IsTrue(form, "change_user_password") || base_has_settings;
    std::vector<std::string> missing;
    if (!asks_for_settings || base_has_settings) return missing;
    for (const char* key : SettingsKeys()) {
        if (form.contains(key)) continue;
        if ((args.from_drive || !args.from_serial.empty()) && std::string_view(key) != "extended_options_mask") {
            continue;
        }
        missing.emplace_back(key);
    }
    return missing;
}

// The form file as JSON, or nothing with the reason on standard error.
std::optional<nlohmann::json> ReadForm(const std::string& path, strings::Language language) {
    const storage::BoundedRead read = storage::ReadSmallFile(strings::PathFromText(path), kMaxFormBytes);
    if (!read.ok) {
        std::cerr << Message(language, MessageId::FormUnreadable, {path, read.problem}) << '\n';
        return std::nullopt;
    }
    nlohmann::json form = nlohmann::json::parse(read.bytes, nullptr, /*allow_exceptions=*/false);
    if (form.is_discarded()) {
        std::cerr << Message(language, MessageId::FormNotJson, {path}) << '\n';
        return std::nullopt;
    }
    if (!form.is_object()) {
        std::cerr << Message(language, MessageId::FormNotObject, {path}) << '\n';
        return std::nullopt;
    }
    return form;
}

int RunNew(const GlobalOptions& options, const NewArgs& args) {
    const std::optional<nlohmann::json> form = ReadForm(args.form, options.language);
    if (!form) return kExitFailure;

    std::optional<storage::LoadedConfigFile> base;
    if (!args.base.empty()) {
        base = storage::LoadConfigFile(strings::PathFromText(args.base));
        if (base->error != storage::ConfigFileError::None) {
            std::cerr << MessageLine(
                             storage::ConfigFileErrorMessage(*base, strings::PathFromText(args.base), options.language))
                      << '\n';
            return kExitFailure;
        }
    }
    const storage::ConfigFilePayload* base_payload = base ? &base->payload : nullptr;

    // Nothing the file will write is made up: each setting comes from the
    // form or from the base.
    if (const auto missing = MissingSettingsKeys(*form, args, base_payload); !missing.empty()) {
        std::string keys;
        for (const std::string& key : missing) keys += (keys.empty() ? "" : ", ") + key;
        std::cerr << Message(options.language, MessageId::FormMissingKeys, {args.form, keys});
        if (base_payload) std::cerr << Message(options.language, MessageId::BaseGivesNoSettings, {args.base});
        std::cerr << '\n';
        return kExitFailure;
    }
    // The window puts a placeholder into an empty user password; a file
    // that sets it on every drive must name the password.
    const bool base_sets_user_password =
        base_payload && (base_payload->change_mask & protocol::kChangeUserPassword) != 0;
    if (IsTrue(*form, "change_user_password") && !HasText(*form, "new_user_password") && !base_sets_user_password) {
        std::cerr << Message(options.language, MessageId::FormNeedsUserPassword, {args.form}) << '\n';
        return kExitFailure;
    }

    std::unique_ptr<DriveAccess> access;
    NoDevices no_devices;
    const bool from_a_drive = args.from_drive || !args.from_serial.empty();
    if (from_a_drive) {
        std::string error;
        access = OpenDriveAccess(options, std::cerr, &error);
        if (!access) {
            std::cerr << error << '\n';
            return kExitFailure;
        }
    }

    app::MemoryFormView view;
    CliHost host(std::cerr);
    host.local_time = LocalTimeNow();
    host.sleep_on_wait = access && RealWaits(options);  // a real drive needs its pauses
    app::Configurator configurator(view, host, access ? access->enumerator() : no_devices, options.language);
    configurator.set_diagnostics(&std::cerr);
    configurator.Initialize();

    if (from_a_drive) {
        // Read as the window reads the drive picked in its list.
        const DriveChoice choice{args.from_drive.value_or(1), args.from_serial};
        const auto line = ChosenLine(choice, configurator.drive_table(), access->enumerator(), options.language);
        if (!line) return line.status;
        view.SetComboIndex(ControlId::DriveList, static_cast<int>(*line));
        configurator.OnDriveSelectionChanged();
        if (!configurator.admin_ready()) {
            std::cerr << Message(options.language, MessageId::NotReadAsAdmin,
                                 {std::to_string(PrintedNumber(configurator.drive_table(), *line))})
                      << '\n';
            return kExitFailure;
        }
    } else if (base) {
        host.open_path = strings::PathFromText(args.base);
        configurator.OnCommand(ControlId::Import);
    }
    const std::size_t messages_before = host.messages.size();

    std::string error;
    if (!ApplyFormJson(*form, configurator, view, &error)) {
        std::cerr << args.form << ": " << error << '\n';
        return kExitFailure;
    }
    // A file is for changing drives: settings it would not send, or a file
    // that asks for no change at all, would be reported "configured" while
    // every drive keeps what it had.
    if (!view.Checked(ControlId::ChangeSettings)) {
        std::string keys;
        for (const char* key : SettingsKeys()) {
            if (form->contains(key)) keys += (keys.empty() ? "" : ", ") + std::string(key);
        }
        if (!keys.empty()) {
            std::cerr << Message(options.language, MessageId::FormSettingsNotSent, {args.form, keys}) << '\n';
            return kExitFailure;
        }
    }
    if (!view.Checked(ControlId::ChangeSettings) && !view.Checked(ControlId::ChangeAdminPassword) &&
        !view.Checked(ControlId::ChangeUserPassword) && !view.Checked(ControlId::ChangeRfidTagData)) {
        std::cerr << Message(options.language, MessageId::FormChangesNothing, {args.form}) << '\n';
        return kExitFailure;
    }
    // A value the form refuses (its message shown) writes no file.
    if (!configurator.form().ReadForm()) {
        const std::string key = FormKeyOf(view.focus());
        if (!key.empty()) std::cerr << Message(options.language, MessageId::FormKeyRefused, {args.form, key}) << '\n';
        return kExitFailure;
    }
    host.save_path = strings::PathFromText(args.out);
    configurator.SaveConfiguration(true);
    // Saving shows a message for every refusal; none means the file is written.
    if (host.messages.size() > messages_before) return kExitFailure;
    std::cout << "Wrote " << args.out << '\n';
    return kExitSuccess;
}

}  // namespace

void AddConfigCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto* config = app.add_subcommand("config", "Inspect or build .qx7 configuration files");
    config->require_subcommand(1);

    auto show_args = std::make_shared<ShowArgs>();
    auto* show = config->add_subcommand("show", "Decrypt a configuration file and print its fields");
    show->add_option("CONFIG", show_args->path, "The .qx7 file")->required();
    show->add_flag("--json", show_args->json, "Print one JSON object");
    show->add_flag("--show-passwords", show_args->show_passwords, "Print the file's passwords instead of (hidden)");
    show->callback([&options, &exit_code, show_args] { exit_code = RunShow(options, *show_args); });

    auto new_args = std::make_shared<NewArgs>();
    auto* create =
        config->add_subcommand("new", "Build a configuration file from a JSON object of form values (see docs/cli.md)");
    create->add_option("OUT", new_args->out, "The .qx7 file to write")->required();
    create->add_option("--form", new_args->form, "JSON file of form values")->required();
    auto* from_drive = create
                           ->add_option("--from-drive", new_args->from_drive,
                                        "Start from the settings of the drive on this line of the drive list (1-based)")
                           ->check(DriveLineNumber());
    auto* from_serial = create
                            ->add_option("--from-serial", new_args->from_serial,
                                         "Start from the settings of the drive with this serial number")
                            ->excludes(from_drive);
    create->add_option("--base", new_args->base, "Start from the settings of this .qx7 file")
        ->excludes(from_drive)
        ->excludes(from_serial);
    create->callback([&options, &exit_code, new_args] { exit_code = RunNew(options, *new_args); });
}

}  // namespace qx7::cli
