// The form's core: construction, the exchange with the view, messages and
// the new setup ID.

#include "editor/settings_form.h"

#include "protocol/drive_messages.h"

namespace qx7::editor {

SettingsForm::SettingsForm(FormView& view, Notifier& notifier, strings::Language language)
    : view_(view), notifier_(notifier), language_(language) {}

bool SettingsForm::ReadForm() { return editor::ReadForm(view_, notifier_, language_, values_); }

void SettingsForm::WriteForm() { editor::WriteForm(values_, view_); }

void SettingsForm::MakeNewSetupId(const std::tm& local_time) {
    new_setup_id_ =
        protocol::MakeSetupId(local_time.tm_year + 1900, local_time.tm_mon + 1, local_time.tm_mday, local_time.tm_hour);
    values_.new_setup_id = protocol::SetupIdText(new_setup_id_, language_);
}

void SettingsForm::ShowMessage(strings::StringId string_id, MessageIcon icon) {
    notifier_.ShowMessage(strings::FormatResString(language_, string_id), icon);
}

void SettingsForm::EnableUploadAndSave() {
    view_.SetEnabled(ControlId::UploadSettings, true);
    view_.SetEnabled(ControlId::SaveAs, true);
}

}  // namespace qx7::editor
