// Copied beside an installed qx7config.exe and started there: loads Qt's
// Korean translation the way the program does (InstallQtTranslations, which
// finds it through QLibraryInfo and so through the qt.conf beside the
// program) and exits 0 only when a text of Qt's own dialogs then reads in
// Korean. It prints where Qt looked, for the test's log.

#include <QCoreApplication>
#include <QLibraryInfo>

#include <cstdio>

#include "ui/widgets/interface_language.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qx7::ui::InstallQtTranslations(qx7::strings::Language::Korean);
    const QString source = QStringLiteral("Cancel");
    const QString translated = QCoreApplication::translate("QPlatformTheme", "Cancel");
    std::printf("translations folder: %s\n%s -> %s\n",
                QLibraryInfo::path(QLibraryInfo::TranslationsPath).toUtf8().constData(), source.toUtf8().constData(),
                translated.toUtf8().constData());
    return translated != source ? 0 : 1;
}
