// The provisioning station against simulated drives on a bus, its events
// taken as the test raises them.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/provisioning_station.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"

namespace {

using namespace qx7;
using namespace std::chrono_literals;

// The bus's events, with a count of the removals the station has taken.
class CountingWatcher final : public transport::DeviceWatcher {
public:
    explicit CountingWatcher(sim::SimBus& bus) : bus_(bus) {}
    bool WaitForChange(std::chrono::milliseconds timeout) override { return bus_.WaitForChange(timeout); }
    void Wake() override { bus_.Wake(); }
    std::vector<transport::DeviceEvent> TakeEvents() override {
        std::vector<transport::DeviceEvent> events = bus_.TakeEvents();
        std::lock_guard lock(mutex_);
        removals_ += std::count(events.begin(), events.end(), transport::DeviceEvent::Removal);
        changed_.notify_all();
        return events;
    }
    bool WaitForRemovals(std::ptrdiff_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 30s, [&] { return removals_ >= count; });
    }

private:
    sim::SimBus& bus_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::ptrdiff_t removals_ = 0;
};

// Holds the first attempt just after its reading until the test opens the
// gate.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    int reads = 0;
    bool open = false;
};

class GatedContext final : public app::DriveContext {
public:
    explicit GatedContext(Gate& gate) : gate_(gate) {}
    app::ScriptedHost& host() override { return host_; }
    void OnRead(std::u16string_view, std::string_view) override {
        std::unique_lock lock(gate_.mutex);
        ++gate_.reads;
        gate_.changed.notify_all();
        gate_.changed.wait_for(lock, 30s, [this] { return gate_.open; });
    }

private:
    Gate& gate_;
    app::ScriptedHost host_;
};

app::ProvisioningPlan Plan() {
    app::ProvisioningPlan plan;
    plan.payload.change_mask = protocol::kChangeSettings;
    plan.payload.settings = protocol::SettingsRecord::Decode(sim::DefaultDrive(0).settings);
    plan.payload.settings.self_destruct_limit = 20;
    plan.password = u"QX7ADMIN";
    plan.auto_save = false;
    plan.real_waits = false;
    return plan;
}

TEST(ProvisioningStation, ADrivePluggedInAgainWhileItsFailingAttemptRunsIsTriedAgain) {
    sim::SimSession session(sim::SimState{{sim::DefaultDrive(0)}});
    sim::SimBus bus(session);
    CountingWatcher watcher(bus);
    Gate gate;
    app::StationSettings settings;
    settings.count = 1;  // the station ends once the drive is configured
    settings.settle = 0ms;
    app::StopFlag stop{false};
    const app::ProvisioningPlan plan = Plan();
    const app::DriveContextFactory contexts = [&gate](std::size_t) { return std::make_unique<GatedContext>(gate); };
    std::vector<app::DriveOutcome> outcomes;
    bool ended = false;
    std::thread station([&] {
        std::vector<app::DriveOutcome> all = app::RunStation(plan, bus, watcher, settings, contexts, {}, stop);
        std::lock_guard lock(gate.mutex);
        outcomes = std::move(all);
        ended = true;
        gate.changed.notify_all();
    });

    {
        std::unique_lock lock(gate.mutex);
        ASSERT_TRUE(gate.changed.wait_for(lock, 30s, [&] { return gate.reads == 1; }));
    }
    // Unplugged and plugged in again while the attempt is held: the drive
    // loses its channel, so the attempt fails.
    ASSERT_TRUE(bus.Unplug(0));
    ASSERT_TRUE(bus.Plug(0));
    ASSERT_TRUE(watcher.WaitForRemovals(1));
    {
        std::lock_guard lock(gate.mutex);
        gate.open = true;
        gate.changed.notify_all();
    }
    // The second attempt configures the drive and ends the station; a
    // station that never tries again is stopped after a while.
    {
        std::unique_lock lock(gate.mutex);
        if (!gate.changed.wait_for(lock, 30s, [&] { return ended; })) stop = true;
    }
    station.join();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].result, app::DriveResult::Failed);
    EXPECT_EQ(outcomes[1].result, app::DriveResult::Configured);
}

}  // namespace
