#pragma once
// Runs the main window's modal dialogs: message boxes, the configuration
// file's save and open dialogs, the folder browser, the extended options
// dialog and the About box. A test can queue the next answers; a queued
// answer is taken instead of showing the dialog, so no test ever waits for a
// modal dialog. Messages are recorded either way.

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "editor/notifier.h"
#include "editor/settings_form.h"
#include "strings/string_table.h"

class QDialog;
class QFileDialog;
class QWidget;

namespace qx7::ui {

class LightFileIcons;

class DialogRunner {
public:
    explicit DialogRunner(QWidget* parent);
    ~DialogRunner();

    void set_language(strings::Language language) { language_ = language; }

    // A message box with the program's caption and an OK button.
    void ShowMessage(const QString& text, editor::MessageIcon icon);
    // The configuration file's save dialog (asks before replacing a file),
    // the open dialog (the file must exist) and the folder browser. Nothing
    // when cancelled.
    std::optional<QString> AskSavePath(const QString& initial_name);
    std::optional<QString> AskOpenPath();
    std::optional<QString> AskFolder();
    // The extended options dialog started with `current`; nothing on Cancel.
    std::optional<editor::ExtendedOptions> RunExtendedOptions(const editor::ExtendedOptions& current);
    // The About box; `web_host` empty: without the web address.
    void RunAbout(const QString& web_host);
    // A dialog that is open without blocking (the updater's, once it shows
    // its answer): the user answers it. With automatic answers it goes to
    // the dialog hook, and is closed (rejected) if the hook leaves it open.
    void AnswerOpenDialog(QDialog& dialog);

    // Test hooks. With automatic answers on, message boxes are only
    // recorded, and a file or folder dialog with no queued answer is
    // cancelled.
    void set_automatic(bool on) { automatic_ = on; }
    // The next file or folder dialog answers `path` (empty: cancelled).
    void QueueFileAnswer(const QString& path) { file_answers_.push_back(path); }
    // With automatic answers, a dialog of the program's own is handed to
    // this function instead of being run (the extended options dialog, the
    // About box), or once it waits for an answer (the updater's dialog); it
    // may change the dialog and accept or reject it (not touched: rejected).
    void set_dialog_hook(std::function<void(QDialog&)> hook) { dialog_hook_ = std::move(hook); }
    const QStringList& messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }

private:
    // True when a queued or automatic answer replaces the dialog; `*answer`
    // is then the path, or nothing for a cancelled dialog.
    bool TakeQueuedAnswer(std::optional<QString>* answer);

    QWidget* parent_;
    strings::Language language_ = strings::Language::English;
    bool automatic_ = false;
    // Runs `dialog` modally, or hands it to the hook with automatic answers.
    bool Run(QDialog& dialog);
    // A file dialog whose list is filled without reading the files.
    void UseLightIcons(QFileDialog& dialog);

    std::unique_ptr<LightFileIcons> file_icons_;

    std::deque<QString> file_answers_;
    std::function<void(QDialog&)> dialog_hook_;
    QStringList messages_;
};

}  // namespace qx7::ui
