#pragma once
// NumberEdit: a number field with up and down arrows. The field holds text
// (digits only as typed; the form logic sets any text and checks the range
// when it reads the form), and the arrows step the number within their own
// range and step. Unlike QSpinBox it never corrects a value it is given, so
// a value outside the range stays visible until the logic refuses it.

#include <QAbstractSpinBox>
#include <QString>

namespace qx7::ui {

class NumberEdit : public QAbstractSpinBox {
    Q_OBJECT

public:
    NumberEdit(int arrow_minimum, int arrow_maximum, int arrow_step, QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);

    int ArrowMinimum() const { return minimum_; }
    int ArrowMaximum() const { return maximum_; }
    int ArrowStep() const { return step_; }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    QSize sizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int minimum_;
    int maximum_;
    int step_;
};

}  // namespace qx7::ui
