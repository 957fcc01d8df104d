// Entry point of the widget tests: GoogleTest inside a QApplication. The
// offscreen platform is the default, so that listing and running the tests
// needs no display. The user's settings and documents folder point into a
// folder of the run's own, so the tests neither read nor change the files
// of the user who runs them.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gmock/gmock.h>

#include "support/test_documents.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The offscreen platform on Windows reads font files from one folder (on
    // Linux it asks fontconfig): the system's fonts, so that text is measured
    // with real fonts.
    if (const QString windows = qEnvironmentVariable("WINDIR");
        !windows.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
        qputenv("QT_QPA_FONTDIR", QDir(windows).filePath(QStringLiteral("Fonts")).toUtf8());
    }
    QTemporaryDir user_home;
    if (user_home.isValid()) {
        const QString config = user_home.filePath(QStringLiteral("config"));
        QDir().mkpath(config);
        QFile dirs(QDir(config).filePath(QStringLiteral("user-dirs.dirs")));
        if (dirs.open(QIODevice::WriteOnly)) {
            dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(user_home.filePath(QStringLiteral("Documents"))) +
                       "\"\n");
            qx7::ui::test_support::TestDocumentsFolder() = user_home.filePath(QStringLiteral("Documents"));
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        // The program's settings go to a file there on every system (on
        // Windows they would go to the user's registry otherwise).
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    }
    ::testing::InitGoogleMock(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
