// Taking the form's edits off the screen and putting them back, for a read
// of the drive being edited that must not undo what was typed meanwhile.

#include "editor/settings_form.h"

namespace qx7::editor {

FormEdits SettingsForm::TakeEdits() {
    FormEdits edits;
    edits.values = values_;
    const FormSnapshot shown = view_.Snapshot();
    ReadFormAsShown(shown, edits.values);
    edits.number_texts = {
        {{ControlId::SelfDestructCounter, {}}, {ControlId::MinPasswordLength, {}}, {ControlId::AutoLockDelay, {}}}};
    for (auto& [id, text] : edits.number_texts) text = shown.Text(id);
    edits.drive_settings = drive_settings_;
    edits.tag_slots = tag_slots_;
    edits.extended = extended_;
    edits.carried_reserved_19 = carried_reserved_19_;
    edits.centrawatch_seen = centrawatch_seen_;
    return edits;
}

void SettingsForm::RestoreEdits(const FormEdits& edits) {
    values_ = edits.values;
    drive_settings_ = edits.drive_settings;
    tag_slots_ = edits.tag_slots;
    extended_ = edits.extended;
    carried_reserved_19_ = edits.carried_reserved_19;
    centrawatch_seen_ = edits.centrawatch_seen;
    WriteForm();
    for (const auto& [id, text] : edits.number_texts) view_.SetText(id, text);
}

}  // namespace qx7::editor
