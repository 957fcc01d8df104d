#include "ui/dialogs/button_texts.h"

#include <QPushButton>

namespace qx7::ui {

QString StandardButtonText(QDialogButtonBox::StandardButton button) {
    const QDialogButtonBox box(button);
    const QPushButton* created = box.button(button);
    return created != nullptr ? created->text() : QString();
}

}  // namespace qx7::ui
