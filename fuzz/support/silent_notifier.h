#pragma once
// A Notifier that only counts the messages it is asked to show.

#include "editor/notifier.h"

namespace qx7::fuzz {

class SilentNotifier final : public editor::Notifier {
public:
    void ShowMessage(std::u16string_view, editor::MessageIcon) override { ++shown; }
    int shown = 0;
};

}  // namespace qx7::fuzz
