#pragma once
// A FormView without a screen: every control is a value in memory. Every
// control starts enabled, empty, unticked, on its first radio button and
// without a selection. The command-line tool runs the window's logic on it.

#include <map>
#include <string>
#include <vector>

#include "editor/form_view.h"

namespace qx7::app {

class MemoryFormView : public editor::FormView {
public:
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

    // The control that has the focus (ControlId{} before any SetFocus).
    editor::ControlId focus() const { return focus_; }

private:
    std::map<editor::ControlId, std::u16string> texts_;
    std::map<editor::ControlId, bool> checks_;
    std::map<editor::ControlId, int> radios_;
    std::map<editor::ControlId, std::vector<std::u16string>> combo_lines_;
    std::map<editor::ControlId, int> combo_index_;
    std::map<editor::ControlId, bool> enabled_;
    editor::ControlId focus_{};
};

}  // namespace qx7::app
