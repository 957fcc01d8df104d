#include "editor/form_snapshot.h"

#include "editor/control_table.h"
#include "editor/form_view.h"

namespace qx7::editor {

std::u16string FormSnapshot::Text(ControlId id) const {
    const auto it = texts_.find(id);
    return it == texts_.end() ? std::u16string() : it->second;
}

bool FormSnapshot::Checked(ControlId id) const { return Choice(id) != 0; }

int FormSnapshot::RadioIndex(ControlId first) const { return Choice(first); }

int FormSnapshot::ComboIndex(ControlId id) const { return Choice(id); }

int FormSnapshot::Choice(ControlId id) const {
    const auto it = choices_.find(id);
    return it == choices_.end() ? 0 : it->second;
}

FormSnapshot FormView::Snapshot() const {
    FormSnapshot shown;
    for (const ControlRow* row : ValueRows()) {
        switch (row->kind) {
            case ControlKind::Edit:
            case ControlKind::Number: shown.SetText(row->id, Text(row->id)); break;
            case ControlKind::Check: shown.SetChoice(row->id, Checked(row->id) ? 1 : 0); break;
            case ControlKind::RadioFirst: shown.SetChoice(row->id, RadioIndex(row->id)); break;
            case ControlKind::Combo: shown.SetChoice(row->id, ComboIndex(row->id)); break;
            default: break;
        }
    }
    return shown;
}

}  // namespace qx7::editor
