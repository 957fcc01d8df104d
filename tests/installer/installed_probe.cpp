// Copied beside an installed qx7config.exe and started there by the installer
// test, to see the installed folder as the program sees it.
//
//   qx7_installed_probe          loads Qt's Korean translation the way the
//                                program does (InstallQtTranslations, which
//                                finds it through QLibraryInfo and so through
//                                the qt.conf beside the program); exits 0 only
//                                when a text of Qt's own dialogs then reads in
//                                Korean, and prints where Qt looked.
//   qx7_installed_probe --hold   prints "holding" and runs until its input
//                                ends, keeping the installed Qt DLLs it loaded
//                                in use, as a running program does.

#include <QCoreApplication>
#include <QLibraryInfo>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "ui/widgets/interface_language.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--hold") == 0) {
        std::printf("holding\n");
        std::fflush(stdout);
        std::string line;
        while (std::getline(std::cin, line)) {
        }
        return 0;
    }
    qx7::ui::InstallQtTranslations(qx7::strings::Language::Korean);
    const QString source = QStringLiteral("Cancel");
    const QString translated = QCoreApplication::translate("QPlatformTheme", "Cancel");
    std::printf("translations folder: %s\n%s -> %s\n",
                QLibraryInfo::path(QLibraryInfo::TranslationsPath).toUtf8().constData(), source.toUtf8().constData(),
                translated.toUtf8().constData());
    return translated != source ? 0 : 1;
}
