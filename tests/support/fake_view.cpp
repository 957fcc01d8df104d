#include "support/fake_view.h"

namespace qx7::test {

using editor::ControlId;

std::u16string FakeView::Text(ControlId id) const {
    const auto it = texts_.find(id);
    return it == texts_.end() ? std::u16string() : it->second;
}
void FakeView::SetText(ControlId id, std::u16string_view text) { texts_[id] = std::u16string(text); }

bool FakeView::Checked(ControlId id) const {
    const auto it = checks_.find(id);
    return it != checks_.end() && it->second;
}
void FakeView::SetChecked(ControlId id, bool checked) { checks_[id] = checked; }

int FakeView::RadioIndex(ControlId first) const {
    const auto it = radios_.find(first);
    return it == radios_.end() ? 0 : it->second;
}
void FakeView::SetRadioIndex(ControlId first, int index) { radios_[first] = index; }

std::vector<std::u16string> FakeView::ComboLines(ControlId id) const {
    const auto it = combo_lines_.find(id);
    return it == combo_lines_.end() ? std::vector<std::u16string>() : it->second;
}
void FakeView::SetComboLines(ControlId id, const std::vector<std::u16string>& lines) {
    combo_lines_[id] = lines;
    combo_index_[id] = -1;
}

int FakeView::ComboIndex(ControlId id) const {
    const auto it = combo_index_.find(id);
    return it == combo_index_.end() ? -1 : it->second;
}
void FakeView::SetComboIndex(ControlId id, int index) {
    const auto lines = ComboLines(id);
    combo_index_[id] = index >= 0 && static_cast<std::size_t>(index) < lines.size() ? index : -1;
}

bool FakeView::Enabled(ControlId id) const {
    const auto it = enabled_.find(id);
    return it == enabled_.end() || it->second;
}
void FakeView::SetEnabled(ControlId id, bool enabled) { enabled_[id] = enabled; }

void FakeView::SetFocus(ControlId id) {
    focus = id;
    focus_history.push_back(id);
}

void FakeNotifier::ShowMessage(std::u16string_view text, editor::MessageIcon icon) {
    messages.push_back({std::u16string(text), icon});
}

std::vector<std::u16string> FakeNotifier::texts() const {
    std::vector<std::u16string> out;
    for (const auto& m : messages) out.push_back(m.text);
    return out;
}

}  // namespace qx7::test
