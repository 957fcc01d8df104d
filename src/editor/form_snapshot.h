#pragma once
// What the form's value controls show at one moment, taken in one go: the
// texts of the edits and number edits, the ticks of the check boxes, the
// radio pairs' indexes and the lists' selections. Reading the form from a
// snapshot asks the view once, however far away the view is.

#include <map>
#include <string>

#include "editor/control_id.h"

namespace qx7::editor {

class FormSnapshot {
public:
    // A control the snapshot does not hold reads as empty, unticked or 0.
    std::u16string Text(ControlId id) const;
    bool Checked(ControlId id) const;
    int RadioIndex(ControlId first) const;
    int ComboIndex(ControlId id) const;

    void SetText(ControlId id, std::u16string text) { texts_[id] = std::move(text); }
    // A tick (0 or 1), a radio pair's index or a list's selected line.
    void SetChoice(ControlId id, int choice) { choices_[id] = choice; }

    bool operator==(const FormSnapshot&) const = default;

private:
    int Choice(ControlId id) const;

    std::map<ControlId, std::u16string> texts_;
    std::map<ControlId, int> choices_;
};

}  // namespace qx7::editor
