#include "ui/dialogs/program_updater.h"

#include <QMetaObject>
#include <QUrl>
#include <QWidget>

#include "ui/dialogs/updater_dialog.h"

namespace qx7::ui {

BackgroundUpdateCheck::BackgroundUpdateCheck(const UpdateSource& source, strings::Language language, QObject* parent)
    : QObject(parent), language_(language), http_(source.curl) {
    thread_ = std::thread([this, source, language] {
        const updater::UpdateCheckOutcome outcome =
            updater::CheckForUpdate(http_, source.folder_url, source.own_version, language);
        if (http_.cancelled()) return;
        // Queued to this object: dropped by Qt if the object is gone first
        // (the destructor joins this thread before that can happen).
        QMetaObject::invokeMethod(
            this,
            [this, outcome] {
                if (thread_.joinable()) thread_.join();
                if (!http_.cancelled()) emit finished(outcome);
            },
            Qt::QueuedConnection);
    });
}

BackgroundUpdateCheck::~BackgroundUpdateCheck() {
    Cancel();
    if (thread_.joinable()) thread_.join();
}

void BackgroundUpdateCheck::Cancel() { http_.Cancel(); }

ProgramUpdater::ProgramUpdater(QWidget* window, UpdateSource source) : window_(window), source_(std::move(source)) {}

// A running check is a child of this object: it goes with it, cancelling
// its transfer and joining its thread.
ProgramUpdater::~ProgramUpdater() = default;

UpdaterDialog* ProgramUpdater::dialog() const { return dialog_; }

void ProgramUpdater::CheckOnRequest(strings::Language language) {
    if (dialog_) {
        dialog_->raise();
        dialog_->activateWindow();
        return;
    }
    UpdaterDialog* dialog = OpenDialog(language);
    dialog->ShowChecking();
    if (!check_) StartCheck(language);
}

void ProgramUpdater::CheckSilently(strings::Language language) {
    CheckSilently([language] { return language; });
}

void ProgramUpdater::CheckSilently(std::function<strings::Language()> language_when_shown) {
    if (check_ || dialog_) return;
    silent_language_ = std::move(language_when_shown);
    StartCheck(silent_language_());
}

void ProgramUpdater::StartCheck(strings::Language language) {
    check_ = new BackgroundUpdateCheck(source_, language, this);
    connect(check_, &BackgroundUpdateCheck::finished, this, &ProgramUpdater::OnAnswer);
}

void ProgramUpdater::CancelCheck() {
    // Deleting the check cancels its transfer and joins its thread, which
    // then ends at once.
    delete check_.data();
}

void ProgramUpdater::OnAnswer(const updater::UpdateCheckOutcome& outcome) {
    // Called from the check's own event: it is deleted once that is over.
    strings::Language language = check_->language();
    check_->deleteLater();
    check_ = nullptr;
    updater::UpdateCheckOutcome shown = outcome;
    if (!dialog_) {
        if (outcome.result != updater::UpdateCheckResult::UpdateAvailable) return;
        // A silent check's answer: in the language of the window now.
        if (silent_language_ && silent_language_() != language) {
            language = silent_language_();
            shown.status_text = updater::NewUpdateText(language, outcome.server_version);
        }
        OpenDialog(language);
    }
    dialog_->ShowOutcome(shown);
    emit answerShown(dialog_);
}

UpdaterDialog* ProgramUpdater::OpenDialog(strings::Language language) {
    auto* dialog = new UpdaterDialog(window_, QUrl(QString::fromStdString(source_.folder_url)), language);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Closing the dialog while the check runs drops the check. The dialog
    // deletes itself once closed; from then on there is no dialog.
    connect(dialog, &QDialog::finished, this, [this] {
        dialog_ = nullptr;
        CancelCheck();
    });
    dialog_ = dialog;
    dialog->open();
    return dialog;
}

}  // namespace qx7::ui
