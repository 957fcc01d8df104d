#pragma once
// The program updater's dialog: a two-line status text, the changelog in a
// read-only box, Update and Cancel. It is shown at once while the check
// runs (a busy bar, Update disabled) and shows the check's answer when it
// arrives; Update opens the update folder in the browser and closes the
// dialog. It does not run the check itself (see ProgramUpdater).

#include <QDialog>
#include <QUrl>

#include "strings/string_table.h"
#include "updater/update_check.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace qx7::ui {

class UpdaterDialog : public QDialog {
    Q_OBJECT

public:
    UpdaterDialog(QWidget* parent, const QUrl& update_folder, strings::Language language);

    // The check is under way.
    void ShowChecking();
    // The check's answer: its status text and changelog, Update enabled
    // only when a newer version was found.
    void ShowOutcome(const updater::UpdateCheckOutcome& outcome);
    bool IsChecking() const { return checking_; }

    // For tests and screenshots.
    QString StatusText() const;
    QString ChangelogText() const;
    QLabel* StatusLabel() const { return status_; }
    QPlainTextEdit* Changelog() const { return changelog_; }
    QProgressBar* BusyBar() const { return busy_; }
    QPushButton* UpdateButton() const { return update_; }
    QPushButton* CancelButton() const { return cancel_; }

private:
    void OnUpdate();

    QUrl update_folder_;
    strings::Language language_;
    bool checking_ = false;
    QLabel* status_ = nullptr;
    QPlainTextEdit* changelog_ = nullptr;
    QProgressBar* busy_ = nullptr;
    QPushButton* update_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace qx7::ui
