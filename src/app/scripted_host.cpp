#include "app/scripted_host.h"

#include <thread>

#include "strings/text_codec.h"

namespace qx7::app {

void ScriptedHost::ShowMessage(std::u16string_view text, editor::MessageIcon icon) {
    messages.push_back({std::u16string(text), icon});
    if (message_stream) *message_stream << strings::ToUtf8(text) << '\n';
}

std::optional<std::filesystem::path> ScriptedHost::AskSavePath(std::u16string_view initial_name) {
    save_dialog_names.emplace_back(initial_name);
    return save_path;
}

std::optional<std::filesystem::path> ScriptedHost::AskOpenPath() { return open_path; }

std::optional<std::filesystem::path> ScriptedHost::AskFolder() { return folder; }

bool ScriptedHost::CopyToClipboard(std::string_view text) {
    if (!clipboard_available) return false;
    clipboard.emplace_back(text);
    return true;
}

void ScriptedHost::Wait(std::chrono::milliseconds duration) {
    waits.push_back(duration);
    if (on_wait) on_wait(duration);
    if (sleep_on_wait) std::this_thread::sleep_for(duration);
}

void ScriptedHost::RunScan(std::function<transport::DriveTable()> scan,
                           std::function<void(transport::DriveTable)> done) {
    ++scans;
    done(scan());
}

std::optional<editor::ExtendedOptions> ScriptedHost::RunExtendedOptionsDialog(const editor::ExtendedOptions&) {
    return extended_options;
}

void ScriptedHost::ApplyLanguage(strings::Language) {}

void ScriptedHost::LayOut(bool with_rfid) { layouts.push_back(with_rfid); }

void ScriptedHost::RunStartupUpdateCheck() { ++startup_update_checks; }

void ScriptedHost::EndDialog(DialogResult result) { ended = result; }

std::tm ScriptedHost::LocalTime() { return local_time; }

std::filesystem::path ScriptedHost::ProgramFolder() { return program_folder; }

std::vector<std::u16string> ScriptedHost::texts() const {
    std::vector<std::u16string> out;
    for (const auto& m : messages) out.push_back(m.text);
    return out;
}

}  // namespace qx7::app
