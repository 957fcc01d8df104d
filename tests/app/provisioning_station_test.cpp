// The provisioning station against simulated drives on a bus, its events
// taken as the test raises them.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
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
        const auto removals = std::count(events.begin(), events.end(), transport::DeviceEvent::Removal);
        {
            std::lock_guard lock(mutex_);
            removals_ += removals;
            changed_.notify_all();
        }
        if (removals > 0 && after_removal) after_removal();
        return events;
    }
    bool WaitForRemovals(std::ptrdiff_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 30s, [&] { return removals_ >= count; });
    }

    // Runs on the station's thread after a removal is taken, before the
    // station sees it.
    std::function<void()> after_removal;

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

// Unplugged and plugged in again during an attempt, the drive is tried
// again, whether its failure ends before or after the station takes the
// removal (the order in which a drive's failure and the system's hot-plug
// event arrive is not fixed).
class ReplugDuringAttempt : public testing::TestWithParam<bool> {};

TEST_P(ReplugDuringAttempt, IsTriedAgain) {
    const bool failure_first = GetParam();
    sim::SimSession session(sim::SimState{{sim::DefaultDrive(0)}});
    sim::SimBus bus(session);
    CountingWatcher watcher(bus);
    Gate gate;
    int failures = 0;
    if (failure_first) {
        watcher.after_removal = [&gate, &failures] {
            std::unique_lock lock(gate.mutex);
            gate.changed.wait_for(lock, 30s, [&] { return failures > 0; });
        };
    }
    const app::OutcomeHandler finished = [&gate, &failures](const app::DriveOutcome& outcome) {
        std::lock_guard lock(gate.mutex);
        if (outcome.result == app::DriveResult::Failed) ++failures;
        gate.changed.notify_all();
    };
    app::StationSettings settings;
    settings.count = 1;  // the station ends once the drive is configured
    settings.settle = 0ms;
    app::StopFlag stop{false};
    const app::ProvisioningPlan plan = Plan();
    const app::DriveContextFactory contexts = [&gate](std::size_t) { return std::make_unique<GatedContext>(gate); };
    std::vector<app::DriveOutcome> outcomes;
    bool ended = false;
    std::thread station([&] {
        std::vector<app::DriveOutcome> all = app::RunStation(plan, bus, watcher, settings, contexts, finished, stop);
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

INSTANTIATE_TEST_SUITE_P(ProvisioningStation, ReplugDuringAttempt, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& param) {
                             return param.param ? "FailureEndsBeforeTheRemovalIsTaken" : "RemovalIsTakenFirst";
                         });

}  // namespace
