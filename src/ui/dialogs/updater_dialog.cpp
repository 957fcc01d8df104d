#include "ui/dialogs/updater_dialog.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "ui/widgets/res_text.h"
#include "ui/window/dialog_units.h"

namespace qx7::ui {
namespace {

using strings::StringId;

// Geometry in dialog units of the dialog's font.
constexpr QSize kClientSize(300, 200);
constexpr QRect kStatusRect(7, 6, 286, 18);
constexpr QRect kChangelogRect(7, 28, 286, 148);
constexpr QRect kBusyRect(7, 181, 170, 10);
constexpr QRect kUpdateRect(185, 179, 50, 14);
constexpr QRect kCancelRect(243, 179, 50, 14);

// Shown while the check runs.
QString CheckingText(strings::Language language) { return ResText(language, StringId::CheckingForUpdates); }

}  // namespace

UpdaterDialog::UpdaterDialog(QWidget* parent, const QUrl& update_folder, strings::Language language)
    : QDialog(parent), update_folder_(update_folder), language_(language) {
    const DialogUnits units(font());
    setWindowTitle(ResText(language, StringId::UpdaterTitle));

    status_ = new QLabel(ResText(language, StringId::UpdateConnectionError), this);
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setGeometry(units.ToPixels(kStatusRect));

    changelog_ = new QPlainTextEdit(this);
    changelog_->setReadOnly(true);
    changelog_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    changelog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    changelog_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    changelog_->setGeometry(units.ToPixels(kChangelogRect));

    busy_ = new QProgressBar(this);
    busy_->setRange(0, 0);
    busy_->setTextVisible(false);
    busy_->setGeometry(units.ToPixels(kBusyRect));
    busy_->hide();

    update_ = new QPushButton(ResText(language, StringId::Update), this);
    update_->setGeometry(units.ToPixels(kUpdateRect));
    update_->setDefault(true);
    update_->setEnabled(false);
    cancel_ = new QPushButton(ResText(language, StringId::Cancel), this);
    cancel_->setGeometry(units.ToPixels(kCancelRect));
    connect(update_, &QPushButton::clicked, this, &UpdaterDialog::OnUpdate);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(units.X(kClientSize.width()), units.Y(kClientSize.height()));
}

void UpdaterDialog::ShowChecking() {
    checking_ = true;
    status_->setText(CheckingText(language_));
    changelog_->clear();
    busy_->show();
    update_->setEnabled(false);
}

void UpdaterDialog::ShowOutcome(const updater::UpdateCheckOutcome& outcome) {
    checking_ = false;
    busy_->hide();
    status_->setText(QString::fromStdU16String(outcome.status_text));
    changelog_->setPlainText(QString::fromStdU16String(outcome.changelog));
    update_->setEnabled(outcome.update_enabled);
}

QString UpdaterDialog::StatusText() const { return status_->text(); }

QString UpdaterDialog::ChangelogText() const { return changelog_->toPlainText(); }

void UpdaterDialog::OnUpdate() {
    // The browser takes it from here; whether it could be started is not
    // something the dialog can act on.
    QDesktopServices::openUrl(update_folder_);
    accept();
}

}  // namespace qx7::ui
