// A simulated drive's latency: every command to it waits, and the wait
// holds no lock that another drive's commands need.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>

#include "sim/sim_session.h"
#include "transport/drive_commands.h"

namespace qx7::sim {
namespace {

using namespace std::chrono_literals;

bool Inquire(transport::ScsiDevice& device) {
    std::array<std::uint8_t, 36> inquiry{};
    return transport::ScsiInquiry(device, inquiry);
}

// A sleeper that holds every wait until the test lets it go.
class HeldSleeper {
public:
    void operator()(std::chrono::milliseconds wait) {
        std::unique_lock lock(mutex_);
        waits_.push_back(wait);
        changed_.notify_all();
        changed_.wait(lock, [this] { return released_; });
    }
    bool WaitUntilHolding(std::size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 10s, [&] { return waits_.size() >= count; });
    }
    void Release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    std::vector<std::chrono::milliseconds> waits() {
        const std::lock_guard lock(mutex_);
        return waits_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::chrono::milliseconds> waits_;
    bool released_ = false;
};

// While drive 0 is inside its wait, drive 1 answers: the wait does not hold
// the session. (Were it held, drive 1's command could not finish until the
// release, and the bounded wait for it would run out.)
TEST(SimLatency, OneDrivesWaitLetsTheOtherDrivesAnswer) {
    SimState state{{DefaultDrive(0), DefaultDrive(1)}};
    state.drives[0].latency_ms = 300;
    SimSession session(state);
    HeldSleeper sleeper;
    session.SetSleeper([&sleeper](std::chrono::milliseconds wait) { sleeper(wait); });
    auto slow = session.Open(0);
    auto fast = session.Open(1);

    auto slow_answer = std::async(std::launch::async, [&] { return Inquire(*slow); });
    ASSERT_TRUE(sleeper.WaitUntilHolding(1));
    auto fast_answer = std::async(std::launch::async, [&] { return Inquire(*fast); });
    const bool fast_finished = fast_answer.wait_for(10s) == std::future_status::ready;
    EXPECT_EQ(slow_answer.wait_for(0s), std::future_status::timeout);
    sleeper.Release();
    EXPECT_TRUE(fast_finished);
    EXPECT_TRUE(fast_answer.get());
    EXPECT_TRUE(slow_answer.get());
    // Only the drive with a latency waited, once, for its latency.
    EXPECT_EQ(sleeper.waits(), std::vector<std::chrono::milliseconds>{300ms});
}

TEST(SimLatency, EveryCommandWaitsOnTheClock) {
    SimState state{{DefaultDrive(0)}};
    state.drives[0].latency_ms = 150;
    SimSession session(state);
    auto device = session.Open(0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Inquire(*device));
    EXPECT_TRUE(Inquire(*device));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

}  // namespace
}  // namespace qx7::sim
