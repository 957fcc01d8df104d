// qx7_window_preview: shows the main window with sample values, or renders
// it offscreen into a PNG file.
//
//   qx7_window_preview [--grab FILE.png] [--lang ko] [--wide] [--font-size POINTS]
//                      [--progress TEXT]

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>

#include <cstdio>

#include "ui/window/main_window.h"

namespace {

using qx7::editor::ControlId;

void FillSample(qx7::ui::MainWindow& window) {
    window.SetComboLines(ControlId::DriveList, {u"E: QX7 USB Device (Ostrivance)"});
    window.SetComboIndex(ControlId::DriveList, 0);
    window.SetText(ControlId::SerialNumber, u"QX7A0012345678B9");
    window.SetText(ControlId::CurrentSetupId, u"2014-05-12-15");
    window.SetText(ControlId::NewSetupId, u"2024-03-08-10");
    window.SetText(ControlId::CurrentPassword, u"ADMIN123");
    window.SetChecked(ControlId::ChangeSettings, true);
    window.SetText(ControlId::SelfDestructCounter, u"10");
    window.SetText(ControlId::MinPasswordLength, u"7");
    window.SetText(ControlId::AutoLockDelay, u"60");
    const std::vector<std::u16string> languages{u"English", u"French", u"German", u"Spanish"};
    window.SetComboLines(ControlId::AdminLanguage, languages);
    window.SetComboLines(ControlId::UserLanguage, languages);
    window.SetComboIndex(ControlId::AdminLanguage, 0);
    window.SetComboIndex(ControlId::UserLanguage, 0);
    for (ControlId first : {ControlId::SelfDestructEnable, ControlId::RandomKeyPadEnable, ControlId::KeyToneEnable,
                            ControlId::CentrawatchEnable, ControlId::ReadOnlyEnable, ControlId::AutoLockEnable}) {
        window.SetRadioIndex(first, qx7::editor::kEnable);
    }
    for (ControlId first : {ControlId::VirtualCdEnable, ControlId::StrongPasswordEnable}) {
        window.SetRadioIndex(first, qx7::editor::kDisable);
    }
    window.SetRadioIndex(ControlId::RfidEnable, qx7::editor::kEnable);
    window.SetChecked(ControlId::ChangeRfidTagData, true);
    window.SetText(ControlId::TagField1, u"04 A1 B2 C3 ");
    window.SetText(ControlId::TagField2, u"04 5E 19 7A 22 80 ");
    window.SetChecked(ControlId::AdminTag1, true);
    window.SetEnabled(ControlId::TagField1, false);
    window.SetText(ControlId::FolderField, u"/home/admin/qx7");
    window.SetChecked(ControlId::AutoSaveConfiguration, true);
    window.SetChecked(ControlId::EnableLog, true);
    window.SetEnabled(ControlId::UploadSettings, false);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption grab(QStringLiteral("grab"), "Render into FILE.png instead of showing.", "FILE");
    const QCommandLineOption lang(QStringLiteral("lang"), "Interface language: en or ko.", "LANG", "en");
    const QCommandLineOption wide(QStringLiteral("wide"), "Show the RFID group.");
    const QCommandLineOption font_size(QStringLiteral("font-size"), "Window font size in points.", "POINTS");
    const QCommandLineOption progress(QStringLiteral("progress"), "Show the step indication with TEXT.", "TEXT");
    parser.addOptions({grab, lang, wide, font_size, progress});
    parser.process(application);
    if (parser.isSet(font_size)) {
        QFont font = QApplication::font();
        font.setPointSizeF(parser.value(font_size).toDouble());
        QApplication::setFont(font);
    }

    qx7::ui::MainWindow window;
    window.ApplyCaptions(parser.value(lang) == QLatin1String("ko") ? qx7::strings::Language::Korean
                                                                   : qx7::strings::Language::English);
    FillSample(window);
    window.LayOut(parser.isSet(wide));
    if (parser.isSet(progress)) {
        window.ShowProgress(parser.value(progress));
    }

    if (parser.isSet(grab)) {
        window.show();
        QApplication::processEvents();
        if (!window.grab().save(parser.value(grab))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(parser.value(grab)));
            return 1;
        }
        return 0;
    }
    window.show();
    return QApplication::exec();
}
