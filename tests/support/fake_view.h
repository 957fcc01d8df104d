#pragma once
// In-memory stand-ins for the screen: a FormView whose controls are plain
// values (every control starts enabled, empty, unticked, first radio, no
// selection) and a Notifier that records the messages it was asked to show.

#include <string>
#include <vector>

#include "app/memory_form_view.h"
#include "editor/form_view.h"
#include "editor/notifier.h"

namespace qx7::test {

class FakeView : public app::MemoryFormView {
public:
    void SetFocus(editor::ControlId id) override;

    // The control that has the focus (ControlId{} before any SetFocus).
    editor::ControlId focus{};
    std::vector<editor::ControlId> focus_history;
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
