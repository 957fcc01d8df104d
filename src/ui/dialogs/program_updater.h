#pragma once
// The update check beside the window. The check runs on a thread of its
// own, so the window never waits for the network:
//
// - On request (the Settings menu), the updater dialog opens at once in its
//   checking state and shows the answer when it arrives. Closing the dialog
//   while the check runs cancels the check; its answer is dropped.
// - Silently (at start), nothing is shown unless the server reports a newer
//   version; then the dialog opens with that answer.
//
// One check runs at a time; a request while the silent check runs opens the
// dialog and takes that check's answer. Destroying the updater cancels a
// running check and waits for its thread, which ends at once.

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "strings/string_table.h"
#include "updater/own_version.h"
#include "updater/system_http_client.h"
#include "updater/update_check.h"
#include "updater/update_folder.h"

class QWidget;

namespace qx7::ui {

class UpdaterDialog;

// Where the check asks and what it compares with; tests point it at a local
// server.
struct UpdateSource {
    std::string folder_url = updater::DefaultUpdateFolderUrl();
    updater::HttpSettings curl;
    updater::FileVersion own_version = updater::CompiledFileVersion();
};

// One update check on a thread of its own. finished() comes on the thread
// that created the object, unless the check was cancelled first. The
// destructor cancels the check and joins the thread; the cancel ends the
// thread's network wait at once.
class BackgroundUpdateCheck : public QObject {
    Q_OBJECT

public:
    BackgroundUpdateCheck(const UpdateSource& source, strings::Language language, QObject* parent = nullptr);
    ~BackgroundUpdateCheck() override;

    void Cancel();
    strings::Language language() const { return language_; }

signals:
    void finished(const qx7::updater::UpdateCheckOutcome& outcome);

private:
    strings::Language language_;
    updater::SystemHttpClient http_;
    std::thread thread_;
};

class ProgramUpdater : public QObject {
    Q_OBJECT

public:
    // The dialog opens over `window` (modal to it, without blocking).
    ProgramUpdater(QWidget* window, UpdateSource source);
    ~ProgramUpdater() override;

    // The Settings menu's "Check for Update": the dialog at once, the answer
    // when it arrives. With the dialog already open, it is raised.
    void CheckOnRequest(strings::Language language);
    // The silent check at start. The dialog, if it opens, speaks the
    // language `language_when_shown` gives then (the user may have switched
    // it while the check ran).
    void CheckSilently(strings::Language language);
    void CheckSilently(std::function<strings::Language()> language_when_shown);

    // The open dialog, or nullptr (also once it is closed, before Qt
    // deletes it).
    UpdaterDialog* dialog() const;
    // Whether a check runs now.
    bool checking() const { return check_ != nullptr; }
    const UpdateSource& source() const { return source_; }

signals:
    // The dialog shows a check's answer (it is open and waits for the user).
    void answerShown(qx7::ui::UpdaterDialog* dialog);

private:
    void StartCheck(strings::Language language);
    void CancelCheck();
    void OnAnswer(const updater::UpdateCheckOutcome& outcome);
    UpdaterDialog* OpenDialog(strings::Language language);

    QWidget* window_;
    UpdateSource source_;
    QPointer<BackgroundUpdateCheck> check_;
    QPointer<UpdaterDialog> dialog_;
    std::function<strings::Language()> silent_language_;
};

}  // namespace qx7::ui
