#include "cli/file_ranges.h"

#include "app/memory_form_view.h"
#include "app/scripted_host.h"
#include "cli/form_json.h"
#include "editor/settings_form.h"
#include "protocol/constants.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using editor::ControlId;

// The file's value behind a control the form refused.
std::string FileValue(const protocol::SettingsRecord& s, ControlId id) {
    switch (id) {
        case ControlId::SelfDestructCounter: return std::to_string(s.self_destruct_limit);
        case ControlId::MinPasswordLength: return std::to_string(s.min_password_length);
        case ControlId::AdminLanguage: return std::to_string(s.admin_language);
        case ControlId::UserLanguage: return std::to_string(s.user_language);
        case ControlId::AutoLockDelay: return std::to_string(s.auto_lock_delay);
        default: return {};
    }
}

}  // namespace

std::optional<std::string> FormRefusalOf(const storage::ConfigFilePayload& payload, strings::Language language) {
    // A drive given such a file keeps everything it had, yet would be
    // reported configured.
    constexpr std::uint32_t kChanges = protocol::kChangeUserPassword | protocol::kChangeAdminPassword |
                                       protocol::kChangeRfidTags | protocol::kChangeSettings;
    if ((payload.change_mask & kChanges) == 0) {
        return "the file changes nothing on a drive (it asks for no password, setting or RFID tag change)";
    }
    // The form of a fresh window, the file imported into it and the form
    // read back: the ranges are the form's own.
    app::MemoryFormView view;
    app::ScriptedHost notifier;
    editor::SettingsForm form(view, notifier, language);
    form.SetLanguageLists(false);
    form.WriteForm();
    form.ApplyConfigPayload(payload);
    if (form.ReadForm()) return std::nullopt;

    const std::string message =
        notifier.messages.empty() ? std::string("refused by the form") : strings::ToUtf8(notifier.messages.back().text);
    const std::string key = FormKeyOf(view.focus());
    if (key.empty()) return message;
    return key + " is " + FileValue(payload.settings, view.focus()) + " in the file: " + message;
}

}  // namespace qx7::cli
