// Hot-plug events reaching a Qt thread through DeviceEventNotifier, from a
// watcher that offers no handle of its own (the simulator's bus).

#include "ui/shell/device_event_notifier.h"

#include <QCoreApplication>
#include <QThread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "support/event_wait.h"

namespace qx7::ui {
namespace {

using testing::ElementsAre;
using transport::DeviceEvent;

sim::SimState TwoDrives() {
    sim::SimState state;
    state.drives = {sim::DefaultDrive(0), sim::DefaultDrive(1)};
    state.drives[1].has_cdrom = false;
    return state;
}

TEST(DeviceEventNotifier, DeliversEachChangeOnTheReceiversThreadInOrderAndStopsWhenDestroyed) {
    sim::SimSession session(TwoDrives());
    sim::SimBus bus(session);
    QObject receiver;
    std::vector<DeviceEvent> delivered;
    bool on_receiver_thread = true;
    auto notifier = std::make_unique<DeviceEventNotifier>(bus, &receiver, [&](const std::vector<DeviceEvent>& events) {
        on_receiver_thread = on_receiver_thread && QThread::currentThread() == receiver.thread();
        delivered.insert(delivered.end(), events.begin(), events.end());
    });

    ASSERT_TRUE(bus.Unplug(1));
    ASSERT_TRUE(test_support::WaitFor([&] { return delivered.size() == 2; }, 30000));
    ASSERT_TRUE(bus.Plug(1));
    ASSERT_TRUE(test_support::WaitFor([&] { return delivered.size() == 4; }, 30000));
    EXPECT_THAT(delivered, ElementsAre(DeviceEvent::Removal, DeviceEvent::NodesChanged, DeviceEvent::NodesChanged,
                                       DeviceEvent::Arrival));
    EXPECT_TRUE(on_receiver_thread);

    // Destroying it wakes its thread at once (it would otherwise wait for
    // the next change) and takes no further events: they stay with the bus.
    notifier.reset();
    ASSERT_TRUE(bus.Unplug(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered.size(), 4u);
    EXPECT_THAT(bus.TakeEvents(), ElementsAre(DeviceEvent::Removal, DeviceEvent::Removal, DeviceEvent::NodesChanged));
}

}  // namespace
}  // namespace qx7::ui
