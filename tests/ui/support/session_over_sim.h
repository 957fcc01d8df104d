#pragma once
// The desktop program's window at work over one simulated drive, with
// automatic dialog answers and the menu commands, for tests of what the
// window's menus and buttons open.

#include <QTest>

#include <memory>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "support/event_wait.h"
#include "ui/shell/desktop_session.h"
#include "ui/shell/menu_commands.h"

namespace qx7::ui::test_support {

struct SessionOverSim {
    // Starts the window and waits until its first scan and read are done.
    explicit SessionOverSim(DesktopSession::Options options = QuietOptions()) {
        sim = std::make_unique<sim::SimSession>(sim::SimState{{sim::DefaultDrive(0)}});
        bus = std::make_unique<sim::SimBus>(*sim);
        desk = std::make_unique<DesktopSession>(*bus, nullptr, options);
        desk->dialogs().set_automatic(true);
        menus = std::make_unique<MenuCommands>(*desk);
        desk->Start();
    }
    ~SessionOverSim() {
        menus.reset();
        desk.reset();
    }

    // No start-up update check; the drive's waits shortened.
    static DesktopSession::Options QuietOptions() {
        DesktopSession::Options options;
        options.startup_update_check = false;
        options.wait_divisor = 100;
        return options;
    }

    // Idle twice in a row: a command may queue the next.
    bool WaitIdle(int timeout_ms = 20000) {
        return WaitFor([this] { return desk->Idle(); }, timeout_ms) &&
               (QTest::qWait(20), WaitFor([this] { return desk->Idle(); }, timeout_ms));
    }

    std::unique_ptr<sim::SimSession> sim;
    std::unique_ptr<sim::SimBus> bus;
    std::unique_ptr<DesktopSession> desk;
    std::unique_ptr<MenuCommands> menus;
};

}  // namespace qx7::ui::test_support
