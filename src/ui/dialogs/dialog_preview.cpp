// qx7_dialog_preview: shows one of the main window's dialogs with sample
// values, or renders it into a PNG file (with a plain caption band holding
// the dialog's title above it, since a grab has no window frame).
//
//   qx7_dialog_preview --dialog extended|about|updater
//                      [--state checking|new|current|failed] [--lang en|ko] [--grab FILE.png]

#include <QApplication>
#include <QCommandLineParser>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <memory>

#include "strings/string_table.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/extended_options_dialog.h"
#include "ui/dialogs/updater_dialog.h"
#include "ui/widgets/interface_language.h"
#include "updater/own_version.h"

namespace {

using qx7::strings::Language;
using qx7::strings::StringId;

constexpr int kBandHeight = 28;

qx7::updater::UpdateCheckOutcome SampleOutcome(const QString& state, Language language) {
    qx7::updater::UpdateCheckOutcome outcome;
    const std::u16string own = qx7::updater::VersionText(qx7::updater::CompiledFileVersion());
    const std::u16string changelog =
        u"v2.4.0\n- Drives with a newer keypad firmware are listed\n- Faster reads of the RFID tags\n\n"
        u"v2.3.3.1\n- First release";
    if (state == QLatin1String("new")) {
        outcome.result = qx7::updater::UpdateCheckResult::UpdateAvailable;
        outcome.status_text = qx7::strings::FormatResString(language, StringId::UpdateAvailable, {u"2.4.0"});
        outcome.changelog = changelog;
        outcome.update_enabled = true;
    } else if (state == QLatin1String("current")) {
        outcome.result = qx7::updater::UpdateCheckResult::UpToDate;
        outcome.status_text = qx7::strings::FormatResString(language, StringId::UpToDate, {own});
        outcome.changelog = changelog;
    } else {
        outcome.result = qx7::updater::UpdateCheckResult::NoConnection;
        outcome.status_text = qx7::strings::FormatResString(language, StringId::UpdateConnectionError);
    }
    return outcome;
}

// The dialog under a caption band with its title.
QPixmap Render(QWidget& dialog) {
    const QPixmap client = dialog.grab();
    QPixmap framed(client.width(), client.height() + kBandHeight);
    framed.fill(dialog.palette().color(QPalette::Window));
    QPainter painter(&framed);
    painter.fillRect(QRect(0, 0, framed.width(), kBandHeight), QColor(64, 64, 72));
    painter.setPen(Qt::white);
    painter.drawText(QRect(10, 0, framed.width() - 20, kBandHeight), Qt::AlignVCenter | Qt::AlignLeft,
                     dialog.windowTitle());
    painter.drawPixmap(0, kBandHeight, client);
    painter.setPen(QColor(64, 64, 72));
    painter.drawRect(framed.rect().adjusted(0, 0, -1, -1));
    return framed;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption which(QStringLiteral("dialog"), "extended, about or updater.", "NAME", "extended");
    const QCommandLineOption state(QStringLiteral("state"), "Updater: checking, new, current or failed.", "STATE",
                                   "new");
    const QCommandLineOption lang(QStringLiteral("lang"), "Interface language: en or ko.", "LANG", "en");
    const QCommandLineOption grab(QStringLiteral("grab"), "Render into FILE.png instead of showing.", "FILE");
    parser.addOptions({which, state, lang, grab});
    parser.process(application);

    const Language language = parser.value(lang) == QLatin1String("ko") ? Language::Korean : Language::English;
    qx7::ui::InstallQtTranslations(language);

    std::unique_ptr<QDialog> dialog;
    const QString name = parser.value(which);
    if (name == QLatin1String("extended")) {
        dialog = std::make_unique<qx7::ui::ExtendedOptionsDialog>(nullptr, qx7::editor::ExtendedOptions{0x1804, true},
                                                                  language);
    } else if (name == QLatin1String("about")) {
        dialog = std::make_unique<qx7::ui::AboutDialog>(nullptr, QStringLiteral("www.example.com"));
    } else if (name == QLatin1String("updater")) {
        auto updater = std::make_unique<qx7::ui::UpdaterDialog>(
            nullptr, QUrl(QStringLiteral("https://update.example.com/downloads/qx7/utilities/update/")), language);
        if (parser.value(state) == QLatin1String("checking"))
            updater->ShowChecking();
        else
            updater->ShowOutcome(SampleOutcome(parser.value(state), language));
        dialog = std::move(updater);
    } else {
        std::fprintf(stderr, "qx7_dialog_preview: unknown dialog %s\n", qPrintable(name));
        return 2;
    }

    dialog->show();
    if (!parser.isSet(grab)) return QApplication::exec();
    QApplication::processEvents();
    const QString file = parser.value(grab);
    if (!Render(*dialog).save(file)) {
        std::fprintf(stderr, "qx7_dialog_preview: cannot write %s\n", qPrintable(file));
        return 1;
    }
    return 0;
}
