#pragma once
// The extended options dialog: the items of the drive's own menu to block,
// and the Centrawatch administrator mode, as check boxes in their screen
// order, with OK and Cancel. Once the administrator mode is on, its box is
// greyed: the dialog cannot switch it off.

#include <QDialog>

#include <map>

#include "editor/settings_form.h"
#include "strings/string_table.h"

class QCheckBox;

namespace qx7::ui {

class ExtendedOptionsDialog : public QDialog {
    Q_OBJECT

public:
    ExtendedOptionsDialog(QWidget* parent, const editor::ExtendedOptions& current, strings::Language language);

    // The options as the boxes hold them now (what OK hands back).
    editor::ExtendedOptions Chosen() const;
    // A box by its control id, for tests.
    QCheckBox* Box(std::uint16_t control) const;

private:
    std::map<std::uint16_t, QCheckBox*> boxes_;
};

}  // namespace qx7::ui
