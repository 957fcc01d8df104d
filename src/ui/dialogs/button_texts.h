#pragma once
// The captions of Qt's standard dialog buttons as the platform theme and
// the installed Qt translation give them ("OK", "Cancel"; in Korean with
// Qt's Korean texts loaded), for dialogs that place their buttons
// themselves.

#include <QDialogButtonBox>
#include <QString>

namespace qx7::ui {

QString StandardButtonText(QDialogButtonBox::StandardButton button);

}  // namespace qx7::ui
