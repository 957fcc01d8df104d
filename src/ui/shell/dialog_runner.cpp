#include "ui/shell/dialog_runner.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>

#include "strings/text_codec.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/extended_options_dialog.h"
#include "ui/shell/light_file_icons.h"
#include "ui/widgets/res_text.h"

namespace qx7::ui {
namespace {

using strings::StringId;
const QString kConfigFilter = QStringLiteral("QX7 Device Configuration (*.qx7)");
const QString kAllFilesFilter = QStringLiteral("All Files (*)");

}  // namespace

DialogRunner::DialogRunner(QWidget* parent) : parent_(parent) {}

DialogRunner::~DialogRunner() = default;

void DialogRunner::UseLightIcons(QFileDialog& dialog) {
    if (!file_icons_) file_icons_ = std::make_unique<LightFileIcons>();
    dialog.setIconProvider(file_icons_.get());
}

bool DialogRunner::TakeQueuedAnswer(std::optional<QString>* answer) {
    answer->reset();
    if (!file_answers_.empty()) {
        const QString path = file_answers_.front();
        file_answers_.pop_front();
        if (!path.isEmpty()) *answer = path;
        return true;
    }
    return automatic_;
}

void DialogRunner::ShowMessage(const QString& text, editor::MessageIcon icon) {
    messages_.push_back(text);
    if (automatic_) return;
    QMessageBox box(icon == editor::MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    ResText(language_, StringId::ProgramName), text, QMessageBox::Ok, parent_);
    box.exec();
}

std::optional<QString> DialogRunner::AskSavePath(const QString& initial_name) {
    if (std::optional<QString> queued; TakeQueuedAnswer(&queued)) return queued;
    QFileDialog dialog(parent_);
    UseLightIcons(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(kConfigFilter);
    dialog.setDefaultSuffix(QStringLiteral("qx7"));
    dialog.selectFile(initial_name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> DialogRunner::AskOpenPath() {
    if (std::optional<QString> queued; TakeQueuedAnswer(&queued)) return queued;
    QFileDialog dialog(parent_);
    UseLightIcons(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({kConfigFilter, kAllFilesFilter});
    dialog.setDefaultSuffix(QStringLiteral("qx7"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> DialogRunner::AskFolder() {
    if (std::optional<QString> queued; TakeQueuedAnswer(&queued)) return queued;
    QFileDialog dialog(parent_, QStringLiteral("Browse for Folder"));
    UseLightIcons(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString folder = dialog.selectedFiles().front();
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

}  // namespace qx7::ui

namespace qx7::ui {

bool DialogRunner::Run(QDialog& dialog) {
    if (!automatic_) return dialog.exec() == QDialog::Accepted;
    dialog.setResult(QDialog::Rejected);
    if (dialog_hook_) dialog_hook_(dialog);
    return dialog.result() == QDialog::Accepted;
}

std::optional<editor::ExtendedOptions> DialogRunner::RunExtendedOptions(const editor::ExtendedOptions& current) {
    ExtendedOptionsDialog dialog(parent_, current, language_);
    if (!Run(dialog)) return std::nullopt;
    return dialog.Chosen();
}

void DialogRunner::RunAbout(const QString& web_host) {
    AboutDialog dialog(parent_, web_host);
    Run(dialog);
}

void DialogRunner::AnswerOpenDialog(QDialog& dialog) {
    if (!automatic_) return;
    const QPointer<QDialog> guard(&dialog);
    if (dialog_hook_) dialog_hook_(dialog);
    if (guard && guard->isVisible()) guard->reject();
}

}  // namespace qx7::ui
