#include "ui/window/number_edit.h"

#include <QLineEdit>

#include <algorithm>

namespace qx7::ui {

NumberEdit::NumberEdit(int arrow_minimum, int arrow_maximum, int arrow_step, QWidget* parent)
    : QAbstractSpinBox(parent), minimum_(arrow_minimum), maximum_(arrow_maximum), step_(arrow_step) {
    setWrapping(false);
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
}

QString NumberEdit::Text() const { return lineEdit()->text(); }

void NumberEdit::SetText(const QString& text) {
    lineEdit()->setText(text);
    update();  // the arrows' enabled look follows the text
}

void NumberEdit::stepBy(int steps) {
    bool ok = false;
    const qint64 current = Text().toLongLong(&ok);
    // Text that is not a number starts from the bottom of the range, as the
    // arrows of a field whose text cannot be read do.
    const qint64 start = ok ? current : minimum_;
    const qint64 next = std::clamp<qint64>(start + static_cast<qint64>(steps) * step_, minimum_, maximum_);
    SetText(QString::number(next));
    lineEdit()->selectAll();
}

QAbstractSpinBox::StepEnabled NumberEdit::stepEnabled() const {
    if (isReadOnly()) {
        return StepNone;
    }
    bool ok = false;
    const qint64 current = Text().toLongLong(&ok);
    if (!ok) {
        return StepUpEnabled | StepDownEnabled;
    }
    StepEnabled enabled = StepNone;
    if (current < maximum_) {
        enabled |= StepUpEnabled;
    }
    if (current > minimum_) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

QValidator::State NumberEdit::validate(QString& input, int& /*pos*/) const {
    const bool digits_only =
        std::all_of(input.cbegin(), input.cend(), [](QChar c) { return c.isDigit() && c.unicode() < 0x80; });
    return digits_only ? QValidator::Acceptable : QValidator::Invalid;
}

QSize NumberEdit::sizeHint() const {
    // Room for four digits and the arrows.
    QSize hint = QAbstractSpinBox::sizeHint();
    hint.setWidth(std::max(hint.width(), fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 24));
    return hint;
}

}  // namespace qx7::ui
