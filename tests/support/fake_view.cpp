#include "support/fake_view.h"

namespace qx7::test {

using editor::ControlId;

void FakeView::SetFocus(ControlId id) {
    MemoryFormView::SetFocus(id);
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
