#include "ui/shell/form_input_gate.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include "editor/control_id.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

// The form's controls carry ids below the band's buttons.
constexpr int kFirstFormId = 1000;
constexpr int kFirstBandId = 1151;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Drop: return true;
        default: return false;
    }
}

}  // namespace

FormInputGate::FormInputGate(MainWindow& window, std::function<bool()> busy) : window_(window), busy_(std::move(busy)) {
    for (int id = kFirstFormId; id < kFirstBandId; ++id) {
        if (id == static_cast<int>(editor::ControlId::Exit)) continue;
        if (QWidget* control = window_.Control(id)) form_controls_.insert(control);
    }
    qApp->installEventFilter(this);
}

FormInputGate::~FormInputGate() {
    if (qApp) qApp->removeEventFilter(this);
}

bool FormInputGate::IsFormControl(const QObject* object) const {
    // A control's own children and pop-ups (a drop-down list) count as the
    // control.
    for (; object != nullptr; object = object->parent()) {
        if (form_controls_.count(object) != 0) return true;
        if (object == &window_) return false;
    }
    return false;
}

bool FormInputGate::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Esc on an open drop-down list of the form closes the list only: the
    // window's Esc (Exit) does not see it.
    if ((type == QEvent::ShortcutOverride || type == QEvent::KeyPress || type == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && watched->isWidgetType()) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup != nullptr && IsFormControl(popup)) {
            if (type != QEvent::KeyRelease) popup->close();
            eating_escape_ = type != QEvent::KeyRelease;
            event->accept();
            return true;
        }
        if (type == QEvent::ShortcutOverride) eating_escape_ = false;  // a new key stroke
        if (eating_escape_) {
            eating_escape_ = type != QEvent::KeyRelease;
            event->accept();
            return true;
        }
    }
    if (replaying_ || !IsUserInput(type) || !watched->isWidgetType() || !IsFormControl(watched)) {
        return QObject::eventFilter(watched, event);
    }
    // A press that was let through keeps its release: a click that began
    // before the logic got busy (its press may itself start a command, as
    // leaving the password field does) is finished, not cut in half.
    if (type == QEvent::MouseButtonRelease && passed_presses_ > 0) {
        --passed_presses_;
        return QObject::eventFilter(watched, event);
    }
    if (type == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (passed_keys_.erase(key) != 0) return QObject::eventFilter(watched, event);
    }
    if (busy_() || !held_.empty()) {
        // Held back, behind any input held before it.
        held_.push_back({static_cast<QWidget*>(watched), std::unique_ptr<QEvent>(event->clone())});
        event->accept();
        return true;
    }
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) ++passed_presses_;
    if (type == QEvent::KeyPress) passed_keys_.insert(static_cast<QKeyEvent*>(event)->key());
    return QObject::eventFilter(watched, event);
}

void FormInputGate::ReplayHeld() {
    while (!held_.empty() && !busy_()) {
        Held next = std::move(held_.front());
        held_.pop_front();
        if (!next.target) continue;  // its control is gone
        const QEvent::Type type = next.event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) ++passed_presses_;
        if (type == QEvent::MouseButtonRelease && passed_presses_ > 0) --passed_presses_;
        replaying_ = true;
        QCoreApplication::sendEvent(next.target, next.event.get());
        replaying_ = false;
    }
}

}  // namespace qx7::ui
