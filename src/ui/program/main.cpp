// qx7config: the desktop configurator for QX7 drives.

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "strings/string_table.h"
#include "ui/shell/desktop_environment.h"
#include "ui/shell/desktop_session.h"
#include "ui/shell/drive_sources.h"
#include "ui/shell/menu_commands.h"
#include "ui/shell/single_instance.h"
#include "ui/sim_panel/simulator_panel.h"
#include "ui/widgets/icons.h"
#include "ui/widgets/interface_language.h"
#include "ui/window/main_window.h"

namespace {

// The command line, read the same way with and without a display.
struct CommandLine {
    CommandLine()
        : simulate(QStringLiteral("simulate"),
                   QStringLiteral("Use simulated drives instead of the attached ones, kept in STATE (default: %1), "
                                  "with a panel to plug, unplug and unlock them")
                       .arg(QString::fromStdString(qx7::ui::DefaultSimulatorStatePath()))),
          no_update_check(QStringLiteral("no-update-check"),
                          QStringLiteral("Do not check for a newer version at start")),
          grab(QStringLiteral("grab"),
               QStringLiteral("Render the window into FILE (PNG) once the drives are read, "
                              "then end (for screenshots)"),
               QStringLiteral("FILE")) {
        parser.setApplicationDescription(QStringLiteral("Configurator for QX7 hardware-encrypted USB drives"));
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOption(simulate);
        parser.addOption(no_update_check);
        parser.addOption(grab);
        parser.addPositionalArgument(QStringLiteral("STATE"),
                                     QStringLiteral("The simulator's state file (with --simulate)"),
                                     QStringLiteral("[STATE]"));
    }
    QCommandLineParser parser;
    const QCommandLineOption simulate;
    const QCommandLineOption no_update_check;
    const QCommandLineOption grab;
};

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("qx7config"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QX7_VERSION_TEXT));
}

// Reads the command line; answers --help and --version and refuses a wrong
// command line, each of which ends the program. Where the program has
// nowhere to print (a window program started from the desktop), Qt shows
// these texts in a message box instead.
void ProcessCommandLine(QCommandLineParser& parser, const QCoreApplication& app) {
    if (!qx7::ui::AttachTextOutput()) {
        parser.process(app);
        return;
    }
    const QByteArray name = QCoreApplication::applicationName().toUtf8();
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s: %s\n", name.constData(), parser.errorText().toUtf8().constData());
        std::exit(1);
    }
    if (parser.isSet(QStringLiteral("help-all"))) parser.process(app);  // with Qt's own options
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        std::exit(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", name.constData(), QCoreApplication::applicationVersion().toUtf8().constData());
        std::exit(0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QString no_desktop;
    if (!qx7::ui::DesktopAvailable(&no_desktop)) {
        // --help and --version need no window: answer them (which ends the
        // program) before refusing to start without a display.
        QCoreApplication core(argc, argv);
        NameApplication();
        CommandLine command_line;
        ProcessCommandLine(command_line.parser, core);
        std::fprintf(stderr, "qx7config: %s; qx7ctl works without one\n", no_desktop.toUtf8().constData());
        return 1;
    }
    QApplication app(argc, argv);
    NameApplication();
    QApplication::setDesktopFileName(QStringLiteral("qx7config"));
    QApplication::setWindowIcon(qx7::ui::LoadIcon(208));

    CommandLine command_line;
    QCommandLineParser& parser = command_line.parser;
    const QCommandLineOption& simulate = command_line.simulate;
    const QCommandLineOption& no_update_check = command_line.no_update_check;
    const QCommandLineOption& grab = command_line.grab;
    ProcessCommandLine(parser, app);
    if (!parser.isSet(simulate) && !parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "qx7config: a state file is given only with --simulate\n");
        return 2;
    }

    qx7::ui::SingleInstance instance(QStringLiteral("qx7config"));
    if (instance.AnotherCopyRuns()) return 0;

    const qx7::strings::Language language = qx7::ui::LanguageForUiLanguages(QLocale::system().uiLanguages());
    qx7::ui::InstallQtTranslations(language);

    std::string error;
    std::unique_ptr<qx7::ui::DriveSource> drives;
    // Why drives cannot be written, from whichever thread first finds out;
    // shown once the window exists.
    auto unavailable = std::make_shared<std::function<void(const std::string&)>>();
    if (parser.isSet(simulate)) {
        const QStringList given = parser.positionalArguments();
        const std::string path = given.isEmpty() ? qx7::ui::DefaultSimulatorStatePath() : given.front().toStdString();
        drives = qx7::ui::OpenSimulatedDrives(path, &error);
    } else {
        drives = qx7::ui::OpenMachineDrives(
            [unavailable](const std::string& why) {
                if (*unavailable) (*unavailable)(why);
            },
            &error);
    }
    if (!drives) {
        std::fprintf(stderr, "qx7config: %s\n", error.c_str());
        QMessageBox::critical(nullptr, QStringLiteral("qx7config"), QString::fromStdString(error));
        return 1;
    }

    qx7::ui::DesktopSession::Options options;
    options.language = language;
    options.startup_update_check = !parser.isSet(no_update_check);
    qx7::ui::DesktopSession session(drives->enumerator(), drives->watcher(), options);
    *unavailable = [&session](const std::string& why) {
        const QString text = QString::fromStdString(why);
        QMetaObject::invokeMethod(&session.window(), [&session, text] {
            session.dialogs().ShowMessage(text, qx7::editor::MessageIcon::Warning);
        });
    };
    QObject::connect(&session, &qx7::ui::DesktopSession::languageChanged, &app,
                     [](qx7::strings::Language now) { qx7::ui::InstallQtTranslations(now); });
    QObject::connect(&session, &qx7::ui::DesktopSession::finished, &app, [] { QApplication::quit(); });
    QObject::connect(&instance, &qx7::ui::SingleInstance::raiseRequested, &session.window(), [&session] {
        session.window().showNormal();
        session.window().raise();
        session.window().activateWindow();
    });
    qx7::ui::MenuCommands menus(session);

    // Over the simulator, a panel beside the window plugs, unplugs and
    // unlocks the drives; its changes reach the window as device events.
    std::unique_ptr<qx7::ui::SimulatorPanel> panel;
    if (drives->sim_session() && !parser.isSet(grab)) {
        panel = std::make_unique<qx7::ui::SimulatorPanel>(*drives->sim_session(), *drives->sim_bus());
        QObject::connect(panel.get(), &qx7::ui::SimulatorPanel::deviceEvents, &session,
                         [&session](const std::vector<qx7::transport::DeviceEvent>& events) {
                             session.DeliverDeviceEvents(events);
                         });
    }

    session.Start();
    if (panel) {
        // Beside the window once it has its size, and again when it widens
        // for a drive with an RFID reader: it never covers the window.
        panel->show();
        panel->FollowBeside(&session.window());
    }
    if (parser.isSet(grab)) {
        // Once the first scan and read are done (idle twice in a row), the
        // window is rendered and the run ends.
        auto* poll = new QTimer(&app);
        auto idle_ticks = std::make_shared<int>(0);
        const QString file = parser.value(grab);
        QObject::connect(poll, &QTimer::timeout, &app, [&session, poll, idle_ticks, file] {
            *idle_ticks = session.Idle() ? *idle_ticks + 1 : 0;
            if (*idle_ticks < 3) return;
            poll->stop();
            const bool saved = session.window().grab().save(file);
            if (!saved) std::fprintf(stderr, "qx7config: cannot write %s\n", file.toLocal8Bit().constData());
            QApplication::exit(saved ? 0 : 1);
        });
        poll->start(200);
    }
    const int status = QApplication::exec();
    panel.reset();
    session.Shutdown();
    *unavailable = nullptr;
    return status;
}
