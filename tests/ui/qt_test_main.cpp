// Entry point of the widget tests: GoogleTest inside a QApplication. The
// offscreen platform is the default, so that listing and running the tests
// needs no display. The user's settings and documents folder point into a
// folder of the run's own, so the tests neither read nor change the files
// of the user who runs them.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir user_home;
    if (user_home.isValid()) {
        const QString config = user_home.filePath(QStringLiteral("config"));
        QDir().mkpath(config);
        QFile dirs(QDir(config).filePath(QStringLiteral("user-dirs.dirs")));
        if (dirs.open(QIODevice::WriteOnly)) {
            dirs.write("XDG_DOCUMENTS_DIR=\"" + QFile::encodeName(user_home.filePath(QStringLiteral("Documents"))) +
                       "\"\n");
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    }
    ::testing::InitGoogleMock(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
