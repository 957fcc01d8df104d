#pragma once
// The extended options dialog: the items of the drive's own menu to block,
// and the Centrawatch administrator mode, as check boxes in their screen
// order, then OK and Cancel. Once the administrator mode is on, its box is
// greyed: the dialog cannot switch it off.

#include <QDialog>

#include <map>

#include "editor/settings_form.h"
#include "strings/string_table.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

namespace qx7::ui {

class ExtendedOptionsDialog : public QDialog {
    Q_OBJECT

public:
    ExtendedOptionsDialog(QWidget* parent, const editor::ExtendedOptions& current, strings::Language language);

    // The options as the boxes hold them now (what OK hands back): the mask
    // holds only the bits of the eight block-menu boxes.
    editor::ExtendedOptions Chosen() const;

    // For tests: a box by its control id (nullptr for an unknown id), the
    // group and the buttons.
    QCheckBox* Box(std::uint16_t control) const;
    QGroupBox* Group() const { return group_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    std::map<std::uint16_t, QCheckBox*> boxes_;
    QGroupBox* group_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace qx7::ui
