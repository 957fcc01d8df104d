#pragma once
// Keeps the user's input away from the form while the logic works on it.
// A command reads the form when it starts and may write it back when it
// ends; a key or click that reached a control in between would be shown and
// then overwritten, or missed by the upload. While `busy` says so, key,
// mouse-button and wheel input to the form's controls is held back, and it
// reaches them in its order once the logic is idle again (as it would on a
// program whose commands block its only thread). The rest
// of the window stays usable: it repaints and moves, and its band (menus,
// close button), its menus and the Exit button take input as always.

#include <QObject>

#include <QPointer>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <set>

namespace qx7::ui {

class MainWindow;

class FormInputGate final : public QObject {
public:
    // Installs itself on the application; `busy` is asked on the
    // user-interface thread for each input event to the window.
    FormInputGate(MainWindow& window, std::function<bool()> busy);
    ~FormInputGate() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    // Hands the held input to its controls, in order, until one of them
    // makes the logic busy again. Call when the logic has become idle.
    void ReplayHeld();
    // Input is held back.
    bool holding() const { return !held_.empty(); }

private:
    bool IsFormControl(const QObject* object) const;

    MainWindow& window_;
    std::function<bool()> busy_;
    std::set<const QObject*> form_controls_;
    int passed_presses_ = 0;     // mouse presses let through, awaiting their release
    std::set<int> passed_keys_;  // keys let through, awaiting their release
    struct Held {
        QPointer<QWidget> target;
        std::unique_ptr<QEvent> event;
    };
    std::deque<Held> held_;
    bool replaying_ = false;
    bool eating_escape_ = false;  // the rest of an Esc that closed a list
};

}  // namespace qx7::ui
