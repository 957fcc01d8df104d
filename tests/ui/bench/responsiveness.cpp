// Measures how long the window's user-interface thread can go without
// handling an event. A 5 ms timer on the user-interface thread records the
// longest gap between two of its ticks. Not a test: it prints figures.
//
//   qx7_ui_responsiveness [LATENCY_MS]
//       the program reads a slow drive and uploads to it: every command to
//       the simulated drive takes LATENCY_MS milliseconds (default 2000).
//   qx7_ui_responsiveness --import-dialog [TIMES] [FOLDER]
//       the Import button is clicked TIMES times (default 5) with the
//       program started in FOLDER (default: the current one); each time the
//       file dialog is cancelled once it shows. The gap while it opens is
//       printed for each opening.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "support/event_wait.h"
#include "ui/shell/desktop_session.h"
#include "ui/window/main_window.h"

using qx7::editor::ControlId;
using qx7::ui::test_support::WaitFor;

namespace {

// The longest time between two ticks of a 5 ms timer since the last Reset.
class GapMeter {
public:
    GapMeter() {
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (last_ >= 0 && now - last_ > longest_) longest_ = now - last_;
            last_ = now;
            ++ticks_;
        });
        clock_.start();
        tick_.start(5);
    }
    void Reset() {
        longest_ = 0;
        last_ = clock_.elapsed();
    }
    qint64 longest() const { return longest_; }
    long ticks() const { return ticks_; }
    qint64 elapsed() const { return clock_.elapsed(); }

private:
    QElapsedTimer clock_;
    QTimer tick_;
    qint64 last_ = -1;
    qint64 longest_ = 0;
    long ticks_ = 0;
};

qx7::ui::DesktopSession::Options BenchOptions() {
    qx7::ui::DesktopSession::Options options;
    options.startup_update_check = false;
    return options;
}

int MeasureSlowDrive(unsigned latency) {
    qx7::sim::SimDrive drive = qx7::sim::DefaultDrive(0);
    drive.latency_ms = latency;
    qx7::sim::SimSession session(qx7::sim::SimState{{drive}});
    qx7::sim::SimBus bus(session);
    qx7::ui::DesktopSession desk(bus, nullptr, BenchOptions());
    desk.dialogs().set_automatic(true);
    GapMeter meter;

    const auto idle = [&] { return desk.Idle(); };
    desk.Start();
    QTest::qWait(50);
    if (!WaitFor(idle, 600000)) return 1;
    const qint64 read_ms = meter.elapsed();

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
    const qint64 total_ms = meter.elapsed();

    const bool uploaded = session.Snapshot().drives[0].settings[8] == 25;
    std::printf("drive latency per command: %u ms\n", latency);
    std::printf("start-up scan and read: %lld ms; upload incl. the drive's 5 s wait: %lld ms\n",
                static_cast<long long>(read_ms), static_cast<long long>(total_ms - read_ms));
    std::printf("user-interface thread: %ld ticks of a 5 ms timer, longest gap %lld ms\n", meter.ticks(),
                static_cast<long long>(meter.longest()));
    std::printf("upload reached the drive: %s\n", uploaded ? "yes" : "no");
    desk.Shutdown();
    return uploaded ? 0 : 1;
}

int MeasureImportDialog(int times) {
    qx7::sim::SimSession session(qx7::sim::SimState{{qx7::sim::DefaultDrive(0)}});
    qx7::sim::SimBus bus(session);
    qx7::ui::DesktopSession desk(bus, nullptr, BenchOptions());
    const auto idle = [&] { return desk.Idle(); };
    GapMeter meter;
    desk.Start();
    QTest::qWait(50);
    if (!WaitFor(idle, 600000)) return 1;
    // Settled: the window has been shown and painted, as a user would see it.
    QTest::qWait(1000);
    std::printf("start-up, first read and what is prepared meanwhile: longest gap %lld ms\n",
                static_cast<long long>(meter.longest()));

    // The dialog runs its own event loop: it is watched, and cancelled, from
    // a timer that runs inside that loop.
    qint64 start = 0;
    qint64 shown_at = -1;
    qint64 gap = -1;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        if (shown_at < 0) shown_at = meter.elapsed();
        if (meter.elapsed() - shown_at < 300) return;  // the dialog fills its list meanwhile
        gap = meter.longest();
        dialog->reject();
    });
    watch.start(10);
    std::printf("Import dialog, started in %s\n", qPrintable(QDir::currentPath()));
    qint64 worst = 0;
    for (int i = 1; i <= times; ++i) {
        meter.Reset();
        start = meter.elapsed();
        shown_at = -1;
        gap = -1;
        emit desk.window().command(ControlId::Import);
        if (!WaitFor([&] { return gap >= 0; }, 60000)) return 1;
        if (!WaitFor(idle, 60000)) return 1;
        QTest::qWait(200);
        std::printf("opening %d: shown after %lld ms; longest gap of the user-interface thread %lld ms\n", i,
                    static_cast<long long>(shown_at - start), static_cast<long long>(gap));
        if (gap > worst) worst = gap;
    }
    std::printf("longest gap over %d openings: %lld ms\n", times, static_cast<long long>(worst));
    desk.Shutdown();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--import-dialog") == 0) {
        const int times = argc > 2 ? std::atoi(argv[2]) : 5;
        if (argc > 3 && !QDir::setCurrent(QString::fromLocal8Bit(argv[3]))) {
            std::fprintf(stderr, "cannot change to %s\n", argv[3]);
            return 2;
        }
        return MeasureImportDialog(times < 1 ? 1 : times);
    }
    return MeasureSlowDrive(argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 2000);
}
