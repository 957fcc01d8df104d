#pragma once
// What the form logic needs from a view: the controls' values, their
// enabled state and the keyboard focus, by control id. The desktop window
// implements it with widgets, the command-line tool and the tests with
// plain memory.

#include <string>
#include <string_view>
#include <vector>

#include "editor/control_id.h"
#include "editor/form_snapshot.h"

namespace qx7::editor {

// Radio pairs hold an index: 0 for the first button ("Enable"), 1 for the
// second ("Disable").
inline constexpr int kEnable = 0;
inline constexpr int kDisable = 1;

class FormView {
public:
    virtual ~FormView() = default;

    // Edits (number edits included: their text) and read-only edits.
    virtual std::u16string Text(ControlId id) const = 0;
    virtual void SetText(ControlId id, std::u16string_view text) = 0;

    // Check boxes.
    virtual bool Checked(ControlId id) const = 0;
    virtual void SetChecked(ControlId id, bool checked) = 0;

    // Radio pairs, addressed by their first button.
    virtual int RadioIndex(ControlId first) const = 0;
    virtual void SetRadioIndex(ControlId first, int index) = 0;

    // Drop-down lists: the lines and the selected line (-1: none).
    virtual std::vector<std::u16string> ComboLines(ControlId id) const = 0;
    virtual void SetComboLines(ControlId id, const std::vector<std::u16string>& lines) = 0;
    virtual int ComboIndex(ControlId id) const = 0;
    // An index outside the lines leaves the list without a selection.
    virtual void SetComboIndex(ControlId id, int index) = 0;

    virtual bool Enabled(ControlId id) const = 0;
    virtual void SetEnabled(ControlId id, bool enabled) = 0;

    virtual void SetFocus(ControlId id) = 0;

    // Every value control as shown now (see form_snapshot.h). The default
    // asks the controls one by one; a view whose every call is costly (one
    // on another thread) answers it in one call.
    virtual FormSnapshot Snapshot() const;
};

}  // namespace qx7::editor
