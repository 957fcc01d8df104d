// Following the state file while another process writes it: Reload and the
// StateFileWatcher's hot-plug events.

#include "sim/state_file_watcher.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "protocol/channel.h"
#include "protocol/records.h"
#include "protocol/system_commands.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "sim/state_file.h"
#include "support/temp_folder.h"
#include "transport/drive_commands.h"

namespace qx7::sim {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using transport::DeviceEvent;

constexpr auto kNodes = DeviceEvent::NodesChanged;
constexpr auto kArrival = DeviceEvent::Arrival;
constexpr auto kRemoval = DeviceEvent::Removal;

class StateFileWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_ / "sim.json";
        // Drive 1 has no CD-ROM, so its plugging raises one storage event.
        SimState state{{DefaultDrive(0), DefaultDrive(1)}};
        state.drives[1].has_cdrom = false;
        std::ofstream(path_) << FormatStateFile(state);
        std::string error;
        session_ = SimSession::Load(path_.string(), &error);
        ASSERT_NE(session_, nullptr) << error;
        watcher_ = StateFileWatcher::Create(*session_, &error);
        ASSERT_NE(watcher_, nullptr) << error;
    }
    void TearDown() override {
        watcher_.reset();
        session_.reset();
    }

    // Another writer: the drives as the session has them, changed by `edit`.
    SimState Changed(const std::function<void(SimState&)>& edit) const {
        SimState state = session_->Snapshot();
        edit(state);
        return state;
    }
    void WriteInPlace(const std::string& text) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
    }
    void WriteByRename(const std::string& text) const {
        const std::filesystem::path temporary = folder_ / "sim.json.new";
        std::ofstream(temporary, std::ios::binary) << text;
        std::filesystem::rename(temporary, path_);
    }

    // Whether the watcher sees a change within a few seconds.
    bool Readable() const { return watcher_->WaitForChange(std::chrono::seconds(5)); }

    qx7::test::TempFolder temp_{"qx7sim-watch"};
    const std::filesystem::path& folder_ = temp_.path();
    std::filesystem::path path_;
    std::unique_ptr<SimSession> session_;
    std::unique_ptr<StateFileWatcher> watcher_;
};

TEST_F(StateFileWatcherTest, AnotherWriterPlugsAndUnplugsDrives) {
    struct Step {
        const char* what;
        bool by_rename;
        std::function<void(SimState&)> edit;
        std::vector<DeviceEvent> events;
    } steps[] = {
        {"unplug drive 0, in place",
         false,
         [](SimState& s) { s.drives[0].plugged = false; },
         {kRemoval, kRemoval, kNodes}},
        {"plug drive 0, by rename",
         true,
         [](SimState& s) { s.drives[0].plugged = true; },
         {kNodes, kArrival, kArrival}},
        {"unplug both, by rename",
         true,
         [](SimState& s) { s.drives[0].plugged = s.drives[1].plugged = false; },
         {kRemoval, kRemoval, kNodes, kRemoval, kNodes}},
        {"plug drive 1 and change drive 0's mode",
         false,
         [](SimState& s) {
             s.drives[1].plugged = true;
             s.drives[0].mode = UnlockMode::User;
         },
         {kNodes, kArrival}},
        {"append a plugged and an unplugged drive",
         true,
         [](SimState& s) {
             s.drives.push_back(DefaultDrive(2));
             s.drives.push_back(DefaultDrive(3));
             s.drives[3].plugged = false;
         },
         {kNodes, kArrival, kArrival}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const SimState wanted = Changed(step.edit);
        const std::string text = FormatStateFile(wanted);
        step.by_rename ? WriteByRename(text) : WriteInPlace(text);
        ASSERT_TRUE(Readable());
        EXPECT_EQ(watcher_->TakeEvents(), step.events);
        EXPECT_EQ(session_->Snapshot(), wanted);
        EXPECT_EQ(watcher_->TakeProblem(), "");
        EXPECT_THAT(watcher_->TakeEvents(), IsEmpty());  // drained
    }
}

// The session's own saves wake the descriptor (they replace the file) but
// raise nothing; nor does another writer's text that leaves the drives as
// they are.
TEST_F(StateFileWatcherTest, OwnSavesAndSameDrivesRaiseNothing) {
    const auto device = session_->Open(0);
    ASSERT_NE(device, nullptr);
    protocol::ChannelKeys keys;
    std::u16string serial;
    ASSERT_TRUE(protocol::ReadIdentity(*device, keys, serial));
    ASSERT_TRUE(protocol::OpenChannel(*device, keys).channel_key);
    std::array<std::uint8_t, 148> settings{};
    ASSERT_TRUE(protocol::ReadSettings(*device, keys, settings));
    protocol::SettingsUpload upload;
    upload.change_mask = protocol::kChangeSettings;
    std::copy_n("QX7ADMIN", 8, upload.current_admin_password.begin());
    upload.settings = protocol::SettingsRecord::Decode(std::span(settings).first<52>());
    upload.settings.setup_id = 0x01020304;
    ASSERT_TRUE(protocol::SecureWrite(*device, upload.Encode(), protocol::kWriteSettingsWireLength, keys.channel_key,
                                      keys, protocol::kTokenWriteSettings));
    const SimState saved = session_->Snapshot();

    ASSERT_TRUE(Readable());
    EXPECT_THAT(watcher_->TakeEvents(), IsEmpty());
    EXPECT_EQ(session_->Snapshot(), saved);
    // The channel survived: nothing was reloaded over the drive.
    ASSERT_TRUE(protocol::ReadSettings(*device, keys, settings));

    // The same drives in another layout.
    WriteInPlace("{\"drives\": [{\"settings_hex\": \"" + [&] {
        std::string hex;
        for (const std::uint8_t b : saved.drives[0].settings) {
            static const char* digits = "0123456789ABCDEF";
            hex += digits[b >> 4];
            hex += digits[b & 15];
        }
        return hex;
    }() + "\"}, {\"has_cdrom\": false}]}");
    ASSERT_TRUE(Readable());
    EXPECT_THAT(watcher_->TakeEvents(), IsEmpty());
    EXPECT_EQ(session_->Snapshot(), saved);
    EXPECT_TRUE(protocol::ReadSettings(*device, keys, settings));

    // Another file in the folder is none of the watcher's business.
    std::ofstream(folder_ / "other.json") << "{}";
    ASSERT_TRUE(Readable());
    EXPECT_THAT(watcher_->TakeEvents(), IsEmpty());
}

// A file the session cannot take is refused: no events, the drives stay,
// the reason is reported once, and the next good file is taken.
TEST_F(StateFileWatcherTest, RefusedFileKeepsTheDrivesAndReportsWhy) {
    const SimState before = session_->Snapshot();
    struct Case {
        const char* what;
        std::string text;
        const char* problem;
    } cases[] = {
        {"not JSON", "{\"drives\": [", "not valid JSON"},
        {"a bad value", "{\"drives\": [{\"plugged\": false, \"languages\": 5}, {}]}", "drives[0].languages"},
        {"a drive removed", FormatStateFile(SimState{{before.drives[0]}}), "holds 1 drives where there were 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteByRename(c.text);
        ASSERT_TRUE(Readable());
        EXPECT_THAT(watcher_->TakeEvents(), IsEmpty());
        EXPECT_EQ(session_->Snapshot(), before);
        const std::string problem = watcher_->TakeProblem();
        EXPECT_THAT(problem, HasSubstr(path_.string()));
        EXPECT_THAT(problem, HasSubstr(c.problem));
        EXPECT_EQ(watcher_->TakeProblem(), "");
    }
    WriteInPlace(FormatStateFile(Changed([](SimState& s) { s.drives[1].plugged = false; })));
    ASSERT_TRUE(Readable());
    EXPECT_THAT(watcher_->TakeEvents(), ElementsAre(kRemoval, kNodes));
    EXPECT_EQ(watcher_->TakeProblem(), "");
}

// A device open on a drive that the file unplugs fails as the drive is gone;
// plugged back, the drive has lost its channel as a powered-off drive does.
TEST_F(StateFileWatcherTest, DeviceOnADriveTheFileUnplugsFails) {
    const auto device = session_->Open(0);
    ASSERT_NE(device, nullptr);
    std::array<std::uint8_t, transport::kInquirySize> inquiry{};
    ASSERT_TRUE(transport::ScsiInquiry(*device, inquiry));
    session_->runtime(0).channel_keyed = true;

    WriteByRename(FormatStateFile(Changed([](SimState& s) { s.drives[0].plugged = false; })));
    ASSERT_TRUE(Readable());
    EXPECT_THAT(watcher_->TakeEvents(), ElementsAre(kRemoval, kRemoval, kNodes));
    transport::ScsiRequest request;
    request.cdb = {0x12, 0, 0, 0, 36, 0};
    request.cdb_length = 6;
    request.direction = transport::DataDirection::In;
    request.data = inquiry;
    EXPECT_FALSE(device->Execute(request).io_ok);
    EXPECT_EQ(session_->Open(0), nullptr);

    WriteByRename(FormatStateFile(Changed([](SimState& s) { s.drives[0].plugged = true; })));
    ASSERT_TRUE(Readable());
    EXPECT_THAT(watcher_->TakeEvents(), ElementsAre(kNodes, kArrival, kArrival));
    EXPECT_TRUE(transport::ScsiInquiry(*device, inquiry));
    EXPECT_FALSE(session_->runtime(0).channel_keyed);
}

TEST(StateFileWatcherCreate, NeedsASessionWithAFile) {
    SimSession session(SimState{{DefaultDrive(0)}});
    std::string error;
    EXPECT_EQ(StateFileWatcher::Create(session, &error), nullptr);
    EXPECT_THAT(error, HasSubstr("no state file"));
}

}  // namespace
}  // namespace qx7::sim
