#include "ui/dialogs/extended_options_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/button_texts.h"
#include "ui/widgets/res_text.h"

namespace qx7::ui {
namespace {

using strings::StringId;

}  // namespace

ExtendedOptionsDialog::ExtendedOptionsDialog(QWidget* parent, const editor::ExtendedOptions& current,
                                             strings::Language language)
    : QDialog(parent) {
    setWindowTitle(ResText(language, StringId::ExtendedSettings));
    auto* layout = new QVBoxLayout(this);
    group_ = new QGroupBox(ResText(language, StringId::ExtendedMenuOptions), this);
    auto* boxes = new QVBoxLayout(group_);
    for (const editor::ExtendedOptionBox& option : editor::ExtendedOptionBoxes()) {
        const QString caption =
            option.string_id ? ResText(language, *option.string_id) : QString::fromUtf16(option.resource_caption);
        auto* box = new QCheckBox(caption, this);
        if (option.bit == 0) {
            box->setChecked(current.centrawatch_admin_mode);
            box->setEnabled(!current.centrawatch_admin_mode);
            // The administrator-mode box stands above the block-menu group.
            layout->addWidget(box);
        } else {
            box->setChecked((current.mask & option.bit) != 0);
            boxes->addWidget(box);
        }
        boxes_[option.control] = box;
    }
    layout->addWidget(group_);

    // OK, then Cancel, at the right; OK is the default button and Escape
    // cancels. The captions are Qt's own, in the language of Qt's texts.
    ok_ = new QPushButton(StandardButtonText(QDialogButtonBox::Ok), this);
    cancel_ = new QPushButton(StandardButtonText(QDialogButtonBox::Cancel), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

editor::ExtendedOptions ExtendedOptionsDialog::Chosen() const {
    editor::ExtendedOptions chosen;
    for (const editor::ExtendedOptionBox& option : editor::ExtendedOptionBoxes()) {
        const QCheckBox* box = boxes_.at(option.control);
        if (option.bit == 0)
            chosen.centrawatch_admin_mode = box->isChecked();
        else if (box->isChecked())
            chosen.mask |= option.bit;
    }
    return chosen;
}

QCheckBox* ExtendedOptionsDialog::Box(std::uint16_t control) const {
    const auto found = boxes_.find(control);
    return found == boxes_.end() ? nullptr : found->second;
}

}  // namespace qx7::ui
