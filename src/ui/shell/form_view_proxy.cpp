#include "ui/shell/form_view_proxy.h"

#include <string>

namespace qx7::ui {

using editor::ControlId;

std::u16string FormViewProxy::Text(ControlId id) const {
    return call_([this, id] { return view_.Text(id); });
}

void FormViewProxy::SetText(ControlId id, std::u16string_view text) {
    const std::u16string copy(text);
    call_([this, id, &copy] { view_.SetText(id, copy); });
}

bool FormViewProxy::Checked(ControlId id) const {
    return call_([this, id] { return view_.Checked(id); });
}

void FormViewProxy::SetChecked(ControlId id, bool checked) {
    call_([this, id, checked] { view_.SetChecked(id, checked); });
}

int FormViewProxy::RadioIndex(ControlId first) const {
    return call_([this, first] { return view_.RadioIndex(first); });
}

void FormViewProxy::SetRadioIndex(ControlId first, int index) {
    call_([this, first, index] { view_.SetRadioIndex(first, index); });
}

std::vector<std::u16string> FormViewProxy::ComboLines(ControlId id) const {
    return call_([this, id] { return view_.ComboLines(id); });
}

void FormViewProxy::SetComboLines(ControlId id, const std::vector<std::u16string>& lines) {
    call_([this, id, &lines] { view_.SetComboLines(id, lines); });
}

int FormViewProxy::ComboIndex(ControlId id) const {
    return call_([this, id] { return view_.ComboIndex(id); });
}

void FormViewProxy::SetComboIndex(ControlId id, int index) {
    call_([this, id, index] { view_.SetComboIndex(id, index); });
}

bool FormViewProxy::Enabled(ControlId id) const {
    return call_([this, id] { return view_.Enabled(id); });
}

void FormViewProxy::SetEnabled(ControlId id, bool enabled) {
    call_([this, id, enabled] { view_.SetEnabled(id, enabled); });
}

void FormViewProxy::SetFocus(ControlId id) {
    call_([this, id] { view_.SetFocus(id); });
}

editor::FormSnapshot FormViewProxy::Snapshot() const {
    return call_([this] { return view_.Snapshot(); });
}

}  // namespace qx7::ui
