#pragma once
// The desktop program's window at work over simulated drives, with
// automatic dialog answers and the menu commands, for tests of what the
// window's menus and buttons open and of whole sessions.

#include <QTest>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "support/event_wait.h"
#include "support/test_documents.h"
#include "transport/device_enumerator.h"
#include "ui/shell/desktop_session.h"
#include "ui/shell/menu_commands.h"
#include "ui/window/main_window.h"

namespace qx7::ui::test_support {

// Counts the scans (each asks for the USB devices once).
class CountingScans final : public transport::ForwardingEnumerator {
public:
    using ForwardingEnumerator::ForwardingEnumerator;
    std::vector<transport::UsbDevice> UsbDevices() override {
        ++scans;
        return ForwardingEnumerator::UsbDevices();
    }
    std::atomic<int> scans{0};
};

struct SessionOverSim {
    // Starts the window over one default drive.
    explicit SessionOverSim(DesktopSession::Options options = QuietOptions())
        : SessionOverSim(std::vector<sim::SimDrive>{sim::DefaultDrive(0)}, options) {}
    // Starts the window over `drives`; the first scan and read may still run.
    explicit SessionOverSim(std::vector<sim::SimDrive> drives, DesktopSession::Options options = QuietOptions()) {
        sim = std::make_unique<sim::SimSession>(sim::SimState{std::move(drives)});
        bus = std::make_unique<sim::SimBus>(*sim);
        devices = std::make_unique<CountingScans>(*bus);
        desk = std::make_unique<DesktopSession>(*devices, nullptr, options);
        desk->dialogs().set_automatic(true);
        menus = std::make_unique<MenuCommands>(*desk);
        QObject::connect(desk.get(), &DesktopSession::finished, [this](int result) { ended = result; });
        desk->Start();
    }
    ~SessionOverSim() {
        menus.reset();
        desk.reset();
    }
    SessionOverSim(const SessionOverSim&) = delete;
    SessionOverSim& operator=(const SessionOverSim&) = delete;

    // No start-up update check; the drive's waits shortened.
    static DesktopSession::Options QuietOptions() {
        DesktopSession::Options options;
        options.startup_update_check = false;
        options.wait_divisor = 100;
        options.documents_folder = TestDocumentsFolder();
        return options;
    }

    // Idle twice in a row: a command may queue the next (a scan's read).
    bool WaitIdle(int timeout_ms = 20000) {
        return WaitFor([this] { return desk->Idle(); }, timeout_ms) &&
               (QTest::qWait(20), WaitFor([this] { return desk->Idle(); }, timeout_ms));
    }

    MainWindow& window() { return desk->window(); }

    std::unique_ptr<sim::SimSession> sim;
    std::unique_ptr<sim::SimBus> bus;
    std::unique_ptr<CountingScans> devices;
    std::unique_ptr<DesktopSession> desk;
    std::unique_ptr<MenuCommands> menus;
    std::optional<int> ended;  // the session's result once it finished
};

}  // namespace qx7::ui::test_support
