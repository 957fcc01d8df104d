// Measures how long the window's user-interface thread can go without
// handling an event while the program reads a slow drive and uploads to
// it: every command to the simulated drive takes LATENCY milliseconds
// (default 2000). A 5 ms timer on the user-interface thread records the
// longest gap between two of its ticks. Not a test: it prints figures.
//
//   qx7_ui_responsiveness [LATENCY_MS]

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "ui/shell/desktop_session.h"
#include "ui/window/main_window.h"
#include "support/event_wait.h"

using qx7::editor::ControlId;
using qx7::ui::test_support::WaitFor;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const unsigned latency = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 2000;

    qx7::sim::SimDrive drive = qx7::sim::DefaultDrive(0);
    drive.latency_ms = latency;
    qx7::sim::SimSession session(qx7::sim::SimState{{drive}});
    qx7::sim::SimBus bus(session);
    qx7::ui::DesktopSession::Options options;
    options.startup_update_check = false;
    qx7::ui::DesktopSession desk(bus, nullptr, options);
    desk.dialogs().set_automatic(true);

    QElapsedTimer clock;
    qint64 last = -1;
    qint64 longest = 0;
    long ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (last >= 0 && now - last > longest) longest = now - last;
        last = now;
        ++ticks;
    });
    clock.start();
    tick.start(5);

    const auto idle = [&] { return desk.Idle(); };
    desk.Start();
    QTest::qWait(50);
    if (!WaitFor(idle, 600000)) return 1;
    const qint64 read_ms = clock.elapsed();

    qx7::ui::MainWindow& window = desk.window();
    window.SetText(ControlId::FolderField, QDir::tempPath().toStdU16String());
    auto* change = qobject_cast<QCheckBox*>(window.Control(ControlId::ChangeSettings));
    QTest::mouseClick(change, Qt::LeftButton, {}, QPoint(6, change->height() / 2));
    QTest::qWait(50);
    if (!WaitFor(idle, 600000)) return 1;
    window.SetText(ControlId::SelfDestructCounter, u"25");
    window.SetText(ControlId::CurrentPassword, u"QX7ADMIN");
    emit window.command(ControlId::UploadSettings);
    QTest::qWait(50);
    if (!WaitFor(idle, 600000)) return 1;
    const qint64 total_ms = clock.elapsed();

    const bool uploaded = session.Snapshot().drives[0].settings[8] == 25;
    std::printf("drive latency per command: %u ms\n", latency);
    std::printf("start-up scan and read: %lld ms; upload incl. the drive's 5 s wait: %lld ms\n",
                static_cast<long long>(read_ms), static_cast<long long>(total_ms - read_ms));
    std::printf("user-interface thread: %ld ticks of a 5 ms timer, longest gap %lld ms\n", ticks,
                static_cast<long long>(longest));
    std::printf("upload reached the drive: %s\n", uploaded ? "yes" : "no");
    desk.Shutdown();
    return uploaded ? 0 : 1;
}
