// qx7ctl config show / config new: read and write ".qx7" configuration files.

#include <fstream>
#include <iostream>

#include "app/configurator.h"
#include "app/memory_form_view.h"
#include "app/scripted_host.h"
#include "cli/commands.h"
#include "cli/form_json.h"
#include "cli/settings_json.h"
#include "protocol/constants.h"
#include "storage/config_file.h"
#include "strings/hex.h"
#include "strings/text_codec.h"
#include "transport/device_enumerator.h"

namespace qx7::cli {
namespace {

std::string PasswordText(const storage::ConfigFilePayload::Password& field) {
    return strings::ToUtf8(storage::PasswordFieldText(field));
}

nlohmann::ordered_json PayloadToJson(const storage::ConfigFilePayload& p) {
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
         {{"user_password", (mask & protocol::CHANGE_USER_PASSWORD) != 0},
          {"admin_password", (mask & protocol::CHANGE_ADMIN_PASSWORD) != 0},
          {"rfid_tags", (mask & protocol::CHANGE_RFID_TAGS) != 0},
          {"settings", (mask & protocol::CHANGE_SETTINGS) != 0}}},
        {"current_admin_password", PasswordText(p.current_admin_password)},
        {"new_admin_password", PasswordText(p.new_admin_password)},
        {"new_admin_password_length", p.new_admin_password_length},
        {"new_user_password", PasswordText(p.new_user_password)},
        {"settings", SettingsToJson(p.settings)},
        {"tags_by_slot", tags},
        {"admin_tag_1", p.admin_tag[0]},
        {"admin_tag_2", p.admin_tag[1]},
        {"admin_tag_3", p.admin_tag[2]},
        {"tag_count", p.tag_count},
    };
}

int RunShow(const GlobalOptions& options, const std::string& path, bool json) {
    const storage::LoadedConfigFile loaded = storage::LoadConfigFile(path);
    if (loaded.error != storage::ConfigFileError::None) {
        std::cerr << strings::ToUtf8(storage::ConfigFileErrorMessage(loaded.error, path, options.language))
                  << '\n';
        return 1;
    }
    const auto out = PayloadToJson(loaded.payload);
    if (json) {
        std::cout << out.dump(2) << '\n';
    } else {
        PrintFields(std::cout, out);
    }
    return 0;
}

// No drives: a form is prepared without one.
class NoDevices final : public transport::DeviceEnumerator {
public:
    std::vector<transport::UsbDevice> UsbDevices() override { return {}; }
    std::vector<transport::StorageInterface> StorageInterfaces(transport::StorageClass) override {
        return {};
    }
    std::vector<transport::Volume> Volumes() override { return {}; }
    std::unique_ptr<transport::ScsiDevice> Open(const std::string&) override { return nullptr; }
};

int RunNew(const GlobalOptions& options, const std::string& out_path, const std::string& form_path) {
    std::ifstream in(form_path);
    if (!in) {
        std::cerr << "Cannot read the form file " << form_path << ".\n";
        return 1;
    }
    const nlohmann::json form = nlohmann::json::parse(in, nullptr, false);
    if (form.is_discarded()) {
        std::cerr << form_path << " is not valid JSON.\n";
        return 1;
    }

    app::MemoryFormView view;
    app::ScriptedHost host;
    host.message_stream = &std::cerr;
    host.local_time = LocalTimeNow();
    NoDevices devices;
    app::Configurator configurator(view, host, devices, options.language);
    configurator.Initialize();
    host.messages.clear();  // "No Drives Detected" belongs to the window, not to the file

    std::string error;
    if (!ApplyFormJson(form, configurator, view, &error)) {
        std::cerr << form_path << ": " << error << '\n';
        return 1;
    }
    host.save_path = std::filesystem::path(out_path);
    configurator.SaveConfiguration(true);
    // Saving shows a message for every refusal; none means the file is written.
    if (!host.messages.empty()) return 1;
    std::cout << "Wrote " << out_path << '\n';
    return 0;
}

}  // namespace

void AddConfigCommand(CLI::App& app, const GlobalOptions& options, int& exit_code) {
    auto* config = app.add_subcommand("config", "Inspect or build .qx7 configuration files");
    config->require_subcommand(1);

    struct ShowArgs {
        std::string path;
        bool json = false;
    };
    auto show_args = std::make_shared<ShowArgs>();
    auto* show = config->add_subcommand("show", "Decrypt a configuration file and print its fields");
    show->add_option("CONFIG", show_args->path, "The .qx7 file")->required();
    show->add_flag("--json", show_args->json, "Print one JSON object");
    show->callback([&options, &exit_code, show_args] {
        exit_code = RunShow(options, show_args->path, show_args->json);
    });

    struct NewArgs {
        std::string out;
        std::string form;
    };
    auto new_args = std::make_shared<NewArgs>();
    auto* create = config->add_subcommand(
        "new", "Build a configuration file from a JSON object of form values (see docs/cli.md)");
    create->add_option("OUT", new_args->out, "The .qx7 file to write")->required();
    create->add_option("--form", new_args->form, "JSON file of form values")->required();
    create->callback([&options, &exit_code, new_args] {
        exit_code = RunNew(options, new_args->out, new_args->form);
    });
}

}  // namespace qx7::cli
