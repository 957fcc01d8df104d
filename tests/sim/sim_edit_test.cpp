// Changing the simulated drives while they are in use: SimSession::Edit and
// Snapshot, and SimBus plugging from one thread while another scans and a
// third sends commands.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "sim/state_file.h"
#include "support/temp_folder.h"
#include "transport/discovery.h"
#include "transport/drive_commands.h"

namespace qx7::sim {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using transport::DeviceEvent;

class SimEditFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_ / "sim.json";
        std::string error;
        session_ = SimSession::Load(path_.string(), &error);
        ASSERT_NE(session_, nullptr) << error;
    }

    std::optional<SimState> OnDisk() const {
        std::ifstream in(path_);
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        return ParseStateFile(text.str(), &error);
    }

    qx7::test::TempFolder temp_{"qx7sim-edit"};
    const std::filesystem::path& folder_ = temp_.path();
    std::filesystem::path path_;
    std::unique_ptr<SimSession> session_;
};

TEST_F(SimEditFile, AnEditIsSavedAndShownBySnapshots) {
    std::string error;
    ASSERT_TRUE(session_->Edit([](SimState& s) { s.drives.push_back(DefaultDrive(1)); }, &error)) << error;
    SimBus bus(*session_);
    ASSERT_TRUE(bus.Unplug(0, &error)) << error;

    SimState expected{{DefaultDrive(0), DefaultDrive(1)}};
    expected.drives[0].plugged = false;
    EXPECT_EQ(session_->Snapshot(), expected);
    EXPECT_EQ(OnDisk(), expected);
}

// A change the file cannot take is not made: the drives stay as the file
// has them, and plugging raises no event.
TEST_F(SimEditFile, AChangeThatCannotBeSavedIsNotMade) {
    SimBus bus(*session_);
    const SimState before = session_->Snapshot();
    std::filesystem::remove_all(folder_);

    std::string error;
    EXPECT_FALSE(session_->Edit([](SimState& s) { s.drives[0].mode = UnlockMode::User; }, &error));
    EXPECT_THAT(error, testing::HasSubstr(folder_.string()));
    error.clear();
    EXPECT_FALSE(bus.Unplug(0, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(session_->Snapshot(), before);
    EXPECT_THAT(bus.TakeEvents(), IsEmpty());
    EXPECT_NE(session_->Open(0), nullptr);
}

// Unplugged, a drive loses power: its channel, pending pre-command and last
// error are gone when it comes back. The other drives keep theirs.
TEST(SimEdit, UnpluggingDropsTheDrivesVolatileState) {
    SimSession session(SimState{{DefaultDrive(0), DefaultDrive(1)}});
    SimBus bus(session);
    for (std::size_t i = 0; i < 2; ++i) {
        session.runtime(i).channel_keyed = true;
        session.runtime(i).error_code = kErrorWrongToken;
        session.runtime(i).announcement = FirmwareRuntime::Announcement{0x22, 0x1234};
    }
    ASSERT_TRUE(bus.Unplug(1));
    ASSERT_TRUE(bus.Plug(1));

    EXPECT_FALSE(session.runtime(1).channel_keyed);
    EXPECT_EQ(session.runtime(1).error_code, 0);
    EXPECT_FALSE(session.runtime(1).announcement);
    EXPECT_TRUE(session.runtime(0).channel_keyed);
    EXPECT_EQ(session.runtime(0).error_code, kErrorWrongToken);
}

// One thread plugs and unplugs drive 2 while another scans and a third sends
// commands to drive 1 and a fourth takes the events. Every scan sees one or
// two drives, drive 1 never fails, and the events arrive whole and in order.
TEST(SimEdit, PluggingIsSafeWhileScansAndCommandsRun) {
    SimState state{{DefaultDrive(0), DefaultDrive(1)}};
    state.drives[1].has_cdrom = false;
    SimSession session(state);
    SimBus bus(session);
    constexpr int kToggles = 100;
    std::atomic<bool> done{false};

    std::thread plugger([&] {
        for (int i = 0; i < kToggles; ++i) {
            EXPECT_TRUE(bus.Unplug(1));
            EXPECT_TRUE(bus.Plug(1));
        }
        done = true;
    });
    std::thread scanner([&] {
        do {
            const std::size_t count = transport::ScanDrives(bus).drive_count();
            EXPECT_TRUE(count == 1 || count == 2) << count;
        } while (!done);
    });
    std::thread commands([&] {
        const auto device = session.Open(0);
        ASSERT_NE(device, nullptr);
        do {
            std::array<std::uint8_t, transport::kInquirySize> inquiry{};
            EXPECT_TRUE(transport::ScsiInquiry(*device, inquiry));
        } while (!done);
    });
    std::vector<DeviceEvent> events;
    while (!done) {
        const std::vector<DeviceEvent> taken = bus.TakeEvents();
        events.insert(events.end(), taken.begin(), taken.end());
        std::this_thread::yield();
    }
    plugger.join();
    scanner.join();
    commands.join();
    const std::vector<DeviceEvent> rest = bus.TakeEvents();
    events.insert(events.end(), rest.begin(), rest.end());

    ASSERT_EQ(events.size(), 4u * kToggles);
    for (std::size_t i = 0; i < events.size(); i += 4) {
        EXPECT_THAT(std::vector<DeviceEvent>(events.begin() + static_cast<std::ptrdiff_t>(i),
                                             events.begin() + static_cast<std::ptrdiff_t>(i + 4)),
                    ElementsAre(DeviceEvent::Removal, DeviceEvent::NodesChanged, DeviceEvent::NodesChanged,
                                DeviceEvent::Arrival))
            << "at " << i;
    }
    EXPECT_TRUE(session.Snapshot().drives[1].plugged);
}

}  // namespace
}  // namespace qx7::sim
