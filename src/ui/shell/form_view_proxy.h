#pragma once
// The form view the logic thread works on: every call is carried to the
// window on the user-interface thread and its answer brought back. Reading
// the whole form (Snapshot) is one such call.

#include "editor/form_view.h"
#include "ui/shell/ui_thread_call.h"

namespace qx7::ui {

class FormViewProxy final : public editor::FormView {
public:
    FormViewProxy(editor::FormView& window_view, const UiThreadCall& call) : view_(window_view), call_(call) {}

    std::u16string Text(editor::ControlId id) const override;
    void SetText(editor::ControlId id, std::u16string_view text) override;
    bool Checked(editor::ControlId id) const override;
    void SetChecked(editor::ControlId id, bool checked) override;
    int RadioIndex(editor::ControlId first) const override;
    void SetRadioIndex(editor::ControlId first, int index) override;
    std::vector<std::u16string> ComboLines(editor::ControlId id) const override;
    void SetComboLines(editor::ControlId id, const std::vector<std::u16string>& lines) override;
    int ComboIndex(editor::ControlId id) const override;
    void SetComboIndex(editor::ControlId id, int index) override;
    bool Enabled(editor::ControlId id) const override;
    void SetEnabled(editor::ControlId id, bool enabled) override;
    void SetFocus(editor::ControlId id) override;
    editor::FormSnapshot Snapshot() const override;

private:
    editor::FormView& view_;
    const UiThreadCall& call_;
};

}  // namespace qx7::ui
