#pragma once
// Message boxes: a text with the program's caption and an OK button.

#include <string_view>

namespace qx7::editor {

enum class MessageIcon { None, Warning };

class Notifier {
public:
    virtual ~Notifier() = default;
    // Shows `text` and returns when the administrator has acknowledged it.
    virtual void ShowMessage(std::u16string_view text, MessageIcon icon = MessageIcon::None) = 0;
};

}  // namespace qx7::editor
