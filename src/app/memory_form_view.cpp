#include "app/memory_form_view.h"

namespace qx7::app {

using editor::ControlId;

std::u16string MemoryFormView::Text(ControlId id) const {
    const auto it = texts_.find(id);
    return it == texts_.end() ? std::u16string() : it->second;
}
void MemoryFormView::SetText(ControlId id, std::u16string_view text) { texts_[id] = std::u16string(text); }

bool MemoryFormView::Checked(ControlId id) const {
    const auto it = checks_.find(id);
    return it != checks_.end() && it->second;
}
void MemoryFormView::SetChecked(ControlId id, bool checked) { checks_[id] = checked; }

int MemoryFormView::RadioIndex(ControlId first) const {
    const auto it = radios_.find(first);
    return it == radios_.end() ? 0 : it->second;
}
void MemoryFormView::SetRadioIndex(ControlId first, int index) { radios_[first] = index; }

std::vector<std::u16string> MemoryFormView::ComboLines(ControlId id) const {
    const auto it = combo_lines_.find(id);
    return it == combo_lines_.end() ? std::vector<std::u16string>() : it->second;
}
void MemoryFormView::SetComboLines(ControlId id, const std::vector<std::u16string>& lines) {
    combo_lines_[id] = lines;
    combo_index_[id] = -1;
}

int MemoryFormView::ComboIndex(ControlId id) const {
    const auto it = combo_index_.find(id);
    return it == combo_index_.end() ? -1 : it->second;
}
void MemoryFormView::SetComboIndex(ControlId id, int index) {
    const auto lines = ComboLines(id);
    combo_index_[id] = index >= 0 && static_cast<std::size_t>(index) < lines.size() ? index : -1;
}

bool MemoryFormView::Enabled(ControlId id) const {
    const auto it = enabled_.find(id);
    return it == enabled_.end() || it->second;
}
void MemoryFormView::SetEnabled(ControlId id, bool enabled) { enabled_[id] = enabled; }

void MemoryFormView::SetFocus(ControlId id) { focus_ = id; }

}  // namespace qx7::app
