#pragma once
// In-memory stand-ins for the screen: a FormView whose controls are plain
// values (every control starts enabled, empty, unticked, first radio, no
// selection) and a Notifier that records the messages it was asked to show.

#include <map>
#include <string>
#include <vector>

#include "editor/form_view.h"
#include "editor/notifier.h"

namespace qx7::test {

class FakeView : public editor::FormView {
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
    editor::ControlId focus{};
    std::vector<editor::ControlId> focus_history;

private:
    std::map<editor::ControlId, std::u16string> texts_;
    std::map<editor::ControlId, bool> checks_;
    std::map<editor::ControlId, int> radios_;
    std::map<editor::ControlId, std::vector<std::u16string>> combo_lines_;
    std::map<editor::ControlId, int> combo_index_;
    std::map<editor::ControlId, bool> enabled_;
};

struct ShownMessage {
    std::u16string text;
    editor::MessageIcon icon;
};

class FakeNotifier : public editor::Notifier {
public:
    void ShowMessage(std::u16string_view text, editor::MessageIcon icon) override;
    std::vector<ShownMessage> messages;
    // The texts only, for short assertions.
    std::vector<std::u16string> texts() const;
};

}  // namespace qx7::test
