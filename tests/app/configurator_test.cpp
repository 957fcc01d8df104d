// The main window's logic against the simulator, with an in-memory view and
// a scripted host: no display, no real clock, no sleeping.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/configurator.h"
#include "app/scripted_host.h"
#include "protocol/aes256.h"
#include "protocol/channel.h"
#include "protocol/constants.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "storage/config_file.h"
#include "strings/hex.h"
#include "strings/path_text.h"
#include "strings/text_codec.h"
#include "support/fake_view.h"
#include "support/temp_folder.h"

namespace qx7::app {
namespace {

using editor::ControlId;
using std::chrono::milliseconds;
using transport::DeviceEvent;

const std::u16string kUserMode =
    u"The QX7 device is connected with the User's password!\nPlease reconnect QX7 using the "
    u"Administrator's password.";

// Counts the devices open at a time, so a test can see handles closed, and
// records every command block with the path of the drive it went to.
class CountingEnumerator final : public transport::ForwardingEnumerator {
public:
    using ForwardingEnumerator::ForwardingEnumerator;
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override {
        auto device = inner().Open(path);
        if (!device) return nullptr;
        return std::make_unique<Counted>(std::move(device), *this, path);
    }
    // The paths that received a command block starting with `prefix` (hex).
    std::vector<std::string> PathsSent(const std::string& prefix) const {
        std::vector<std::string> paths;
        for (const auto& [path, cdb] : sent) {
            if (cdb.rfind(prefix, 0) == 0) paths.push_back(path);
        }
        return paths;
    }
    int open_now = 0;
    std::vector<std::pair<std::string, std::string>> sent;  // path, command block in hex
    // Lets a test change an answer on its way back.
    std::function<void(const transport::ScsiRequest&)> tamper;

private:
    struct Counted final : transport::ScsiDevice {
        Counted(std::unique_ptr<transport::ScsiDevice> d, CountingEnumerator& o, std::string p)
            : device(std::move(d)), owner(o), path(std::move(p)) {
            ++owner.open_now;
        }
        ~Counted() override { --owner.open_now; }
        transport::ScsiResult Execute(const transport::ScsiRequest& r) override {
            owner.sent.emplace_back(path, qx7::strings::ToHex(std::span(r.cdb.data(), r.cdb_length)));
            const transport::ScsiResult result = device->Execute(r);
            if (owner.tamper) owner.tamper(r);
            return result;
        }
        std::unique_ptr<transport::ScsiDevice> device;
        CountingEnumerator& owner;
        std::string path;
    };
};

// Command blocks by their first bytes: the settings write and the last-error query.
constexpr const char* kSettingsWrite = "3b01cd31";
constexpr const char* kLastErrorQuery = "3c01ce02";

// A host whose scans finish only when the test says so.
class DeferredScanHost final : public ScriptedHost {
public:
    void RunScan(std::function<transport::DriveTable()> scan,
                 std::function<void(transport::DriveTable)> done) override {
        ++scans;
        pending.push_back([scan, done] { done(scan()); });
    }
    void FinishOneScan() {
        auto next = pending.front();
        pending.erase(pending.begin());
        next();
    }
    std::vector<std::function<void()>> pending;
};

class ConfiguratorTest : public ::testing::Test {
public:
    explicit ConfiguratorTest(std::vector<sim::SimDrive> drives = {sim::DefaultDrive(0)})
        : session(sim::SimState{std::move(drives)}), bus(session), devices(bus), host(FreshHost()) {}

    // A host whose program folder is the test's and whose clock reads
    // 2026-12-10 09:00.
    ScriptedHost FreshHost() const {
        ScriptedHost fresh;
        fresh.program_folder = dir;
        fresh.local_time.tm_year = 126;
        fresh.local_time.tm_mon = 11;
        fresh.local_time.tm_mday = 10;
        fresh.local_time.tm_hour = 9;
        return fresh;
    }

    // Between the cases of one test: the window closed, a fresh view and
    // host, nothing recorded as sent, and the first drive as made (a case
    // then changes what it needs before Start()).
    void StartOver() {
        configurator.reset();
        view = qx7::test::FakeView();
        host = FreshHost();
        devices.sent.clear();
        session.state().drives[0] = sim::DefaultDrive(0);
    }

    Configurator& Start() {
        configurator = std::make_unique<Configurator>(view, host, devices, strings::Language::English);
        configurator->set_diagnostics(&diagnostics);
        configurator->Initialize();
        return *configurator;
    }

    // Types what an administrator types to upload a settings change.
    void PrepareSettingsUpload(const std::u16string& current_password = u"QX7ADMIN") {
        view.SetChecked(ControlId::ChangeSettings, true);
        configurator->OnCommand(ControlId::ChangeSettings);
        view.SetText(ControlId::SelfDestructCounter, u"25");
        view.SetText(ControlId::CurrentPassword, current_password);
        configurator->OnCurrentPasswordFocusLost();
    }

    qx7::test::TempFolder temp{"qx7-configurator"};
    const std::filesystem::path& dir = temp.path();
    sim::SimSession session;
    sim::SimBus bus;
    CountingEnumerator devices;
    qx7::test::FakeView view;
    ScriptedHost host;
    std::ostringstream diagnostics;
    std::unique_ptr<Configurator> configurator;
};

TEST_F(ConfiguratorTest, StartUpScansReadsTheDriveAndUnlocksTheForm) {
    Configurator& c = Start();
    EXPECT_EQ(host.scans, 1);
    EXPECT_EQ(host.waits, (std::vector<milliseconds>{milliseconds(500), milliseconds(1000)}));
    EXPECT_EQ(host.startup_update_checks, 1);
    EXPECT_TRUE(host.messages.empty()) << qx7::strings::ToUtf8(host.texts().front());
    EXPECT_TRUE(c.admin_ready());
    EXPECT_TRUE(c.read_done());
    EXPECT_EQ(view.ComboLines(ControlId::DriveList).size(), 1u);
    EXPECT_EQ(view.ComboIndex(ControlId::DriveList), 0);
    EXPECT_EQ(view.Text(ControlId::SerialNumber), u"QX7SIM0000000001");
    EXPECT_EQ(view.Text(ControlId::CurrentSetupId), u"No Previous Setup ID");
    EXPECT_EQ(view.Text(ControlId::NewSetupId), u"2026-12-10-09");
    for (ControlId id : {ControlId::ChangeAdminPassword, ControlId::ChangeUserPassword, ControlId::ChangeSettings,
                         ControlId::CurrentPassword, ControlId::Import, ControlId::Rescan, ControlId::Exit}) {
        EXPECT_TRUE(view.Enabled(id)) << static_cast<int>(id);
    }
    // No upload has happened and Change Settings is not ticked.
    EXPECT_FALSE(view.Enabled(ControlId::UploadSettings));
    EXPECT_EQ(view.Text(ControlId::FolderField), qx7::strings::FromUtf8(dir.string()));
    EXPECT_TRUE(view.Checked(ControlId::AutoSaveConfiguration));
    EXPECT_TRUE(view.Checked(ControlId::EnableLog));
    EXPECT_EQ(host.layouts.back(), true);  // the default drive has a reader
}

TEST_F(ConfiguratorTest, WithoutDrivesTheListSaysSoAndNothingIsSent) {
    bus.Unplug(0);
    bus.TakeEvents();
    Configurator& c = Start();
    EXPECT_EQ(view.ComboLines(ControlId::DriveList), std::vector<std::u16string>{u"No Drives Detected"});
    EXPECT_FALSE(view.Enabled(ControlId::DriveList));
    EXPECT_EQ(view.focus, ControlId::Rescan);
    EXPECT_TRUE(view.Enabled(ControlId::Rescan));
    EXPECT_TRUE(c.read_done());
    EXPECT_EQ(devices.open_now, 0);
}

TEST_F(ConfiguratorTest, AUserModeDriveIsShownButTheFormStaysLocked) {
    session.state().drives[0].mode = sim::UnlockMode::User;
    Configurator& c = Start();
    EXPECT_EQ(host.texts(), std::vector<std::u16string>{kUserMode});
    EXPECT_FALSE(c.admin_ready());
    EXPECT_EQ(view.focus, ControlId::Exit);
    EXPECT_FALSE(view.Enabled(ControlId::ChangeSettings));
    EXPECT_FALSE(view.Enabled(ControlId::Rescan));
    EXPECT_TRUE(view.Enabled(ControlId::DriveList));
    EXPECT_EQ(view.Text(ControlId::SelfDestructCounter), u"10");  // its settings are still shown
}

TEST_F(ConfiguratorTest, DeviceEventsScheduleOneRescanAfterTheLastOfThem) {
    struct Case {
        bool admin_ready;
        DeviceEvent event;
        bool pending_before;
        bool schedules;
    } cases[] = {
        {false, DeviceEvent::Arrival, false, true},      {true, DeviceEvent::Arrival, false, false},
        {true, DeviceEvent::Removal, false, true},       {false, DeviceEvent::Removal, false, false},
        {true, DeviceEvent::NodesChanged, false, true},  {false, DeviceEvent::NodesChanged, false, true},
        {false, DeviceEvent::NodesChanged, true, false},
    };
    for (const auto& tc : cases) {
        StartOver();
        if (!tc.admin_ready)
            session.state().drives[0].mode = sim::UnlockMode::User;
        else
            session.state().drives[0].mode = sim::UnlockMode::Admin;
        Configurator& c = Start();
        ASSERT_EQ(c.admin_ready(), tc.admin_ready);
        if (tc.pending_before) {
            c.OnDeviceEvent(DeviceEvent::Arrival);
            for (int tick = 0; tick < 3; ++tick) c.OnTimer();  // delay spent, still pending
        }
        c.OnDeviceEvent(tc.event);
        EXPECT_EQ(c.rescan_pending(), tc.schedules || tc.pending_before);
        // The rescan starts on the fourth tick after the notification.
        const int scans_before = host.scans;
        for (int tick = 0; tick < 3 && !tc.pending_before; ++tick) c.OnTimer();
        EXPECT_EQ(host.scans, scans_before);
        c.OnTimer();
        EXPECT_EQ(host.scans, scans_before + (tc.schedules || tc.pending_before ? 1 : 0));
    }
}

TEST_F(ConfiguratorTest, ALaterNotificationPushesThePendingRescanBack) {
    Configurator& c = Start();
    c.OnDeviceEvent(DeviceEvent::NodesChanged);
    c.OnTimer();
    c.OnTimer();
    c.OnDeviceEvent(DeviceEvent::Removal);  // admin_ready: removal counts
    c.OnTimer();
    c.OnTimer();
    c.OnTimer();
    EXPECT_EQ(host.scans, 1);
    c.OnTimer();
    EXPECT_EQ(host.scans, 2);
    EXPECT_FALSE(c.rescan_pending());
}

class DeferredScanTest : public ConfiguratorTest {
protected:
    DeferredScanTest() {
        configurator = std::make_unique<Configurator>(view, deferred, devices, strings::Language::English);
    }
    DeferredScanHost deferred;
};

TEST_F(DeferredScanTest, NoRescanStartsWhileAScanRunsAndALanguageSwitchWaitsForIt) {
    Configurator& c = *configurator;
    c.Initialize();
    ASSERT_EQ(deferred.scans, 1);
    EXPECT_FALSE(c.read_done());
    c.OnDeviceEvent(DeviceEvent::NodesChanged);
    for (int tick = 0; tick < 10; ++tick) c.OnTimer();
    EXPECT_EQ(deferred.scans, 1) << "the timer waits for the read";

    c.SwitchLanguage(strings::Language::Korean);
    EXPECT_EQ(deferred.scans, 1) << "two scans never fill the table at once";
    deferred.FinishOneScan();
    EXPECT_EQ(deferred.scans, 2) << "the switch's scan starts once the first has been read";
    deferred.FinishOneScan();
    EXPECT_TRUE(c.read_done());
    EXPECT_TRUE(c.admin_ready());
    c.OnTimer();  // the rescan still pending from the notification
    EXPECT_EQ(deferred.scans, 3);
}

// The automatically saved file is named after the drive's serial number,
// whatever characters the drive reports: none of them makes a folder of a
// part of it, or leads to another file (on Windows '\\' and ':' would).
TEST_F(ConfiguratorTest, ASerialNumberNamesAFileInTheFolderItself) {
    const std::string serial = "AB\\CD:EF/GH*?<|>";
    ASSERT_EQ(serial.size(), 16u);
    std::copy(serial.begin(), serial.end(), session.state().drives[0].device_id.begin());
    Configurator& c = Start();
    PrepareSettingsUpload();
    c.OnCommand(ControlId::UploadSettings);
    ASSERT_TRUE(c.last_upload_succeeded());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".qx7") names.push_back(strings::PathText(entry.path().filename()));
        EXPECT_FALSE(entry.is_directory()) << entry.path();
    }
#ifdef _WIN32
    EXPECT_EQ(names, std::vector<std::string>{"AB_CD_EF_GH_____.qx7"});
#else
    EXPECT_EQ(names, std::vector<std::string>{"AB\\CD:EF_GH*?<|>.qx7"});
#endif
}

TEST_F(ConfiguratorTest, ASuccessfulUploadIsStoredSavedAndLogged) {
    Configurator& c = Start();
    PrepareSettingsUpload();
    host.waits.clear();
    c.OnCommand(ControlId::UploadSettings);
    ASSERT_TRUE(c.last_upload_succeeded()) << qx7::strings::ToUtf8(host.texts().empty() ? u"" : host.texts().back());
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.waits, std::vector<milliseconds>{milliseconds(5000)});
    EXPECT_TRUE(c.upload_done());
    EXPECT_FALSE(c.admin_ready());
    EXPECT_EQ(c.uploaded_serials().entries(), std::vector<std::string>{"QX7SIM0000000001"});
    // The drive holds the new counter; the form is locked but can be saved.
    EXPECT_EQ(session.state().drives[0].settings[8], 25);
    EXPECT_FALSE(view.Enabled(ControlId::ChangeSettings));
    EXPECT_TRUE(view.Enabled(ControlId::SaveAs));
    EXPECT_TRUE(view.Enabled(ControlId::UploadSettings));
    // The automatic save wrote the drive's file.
    const auto saved = storage::LoadConfigFile(dir / "QX7SIM0000000001.qx7");
    ASSERT_EQ(saved.error, storage::ConfigFileError::None);
    EXPECT_EQ(saved.payload.settings.self_destruct_limit, 25);
    EXPECT_EQ(saved.payload.change_mask, protocol::kChangeSettings);

    c.OnExit();
    ASSERT_TRUE(c.log_path());
    std::ifstream log(*c.log_path(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "QX7SIM0000000001\r\n");
    EXPECT_EQ(c.log_path()->filename(), "QX7Cfg_Log-20261210-900.txt");
    EXPECT_EQ(host.ended, DialogResult::Ok);
}

TEST_F(ConfiguratorTest, AnAcceptedUploadIsRecordedBeforeTheDriveStoresIt) {
    // Whatever ends the program during the pause after the upload, the
    // drive is already in the uploaded serials and its file is saved.
    Configurator& c = Start();
    PrepareSettingsUpload();
    bool accepted = false;
    c.set_upload_accepted([&] { accepted = true; });
    std::vector<std::string> seen;
    host.on_wait = [&](milliseconds duration) {
        if (duration != milliseconds(5000)) return;
        seen.push_back(std::string("accepted=") + (accepted ? "yes" : "no"));
        seen.push_back("serials=" + std::to_string(c.uploaded_serials().entries().size()));
        seen.push_back(std::string("file=") + (std::filesystem::exists(dir / "QX7SIM0000000001.qx7") ? "yes" : "no"));
    };
    c.OnCommand(ControlId::UploadSettings);
    ASSERT_TRUE(c.last_upload_succeeded());
    EXPECT_EQ(seen, (std::vector<std::string>{"accepted=yes", "serials=1", "file=yes"}));
    EXPECT_FALSE(c.admin_ready());
}

TEST_F(ConfiguratorTest, RefusedUploadsShowTheDrivesErrorAndFocusTheFieldToCorrect) {
    struct Case {
        const char* name;
        std::function<void(ConfiguratorTest&)> arrange;
        std::u16string message;
        std::optional<ControlId> focus;
    } cases[] = {
        {"wrong current password", [](ConfiguratorTest& t) { t.PrepareSettingsUpload(u"WRONG123"); },
         u"Incorrect current admin password is entered.", ControlId::CurrentPassword},
        {"write and error query both fail",
         [](ConfiguratorTest& t) {
             for (const char* prefix : {"3b01cd31", "3c01ce02"}) {
                 sim::SimFault fault;
                 fault.cdb_prefix = qx7::strings::FromHex(prefix).value();
                 fault.mode = sim::SimFault::Mode::Io;
                 t.session.state().drives[0].faults.push_back(fault);
             }
             t.PrepareSettingsUpload();
         },
         u"QX7 System Error !, Cmd = 0, Err Code = 0", std::nullopt},
    };
    for (const auto& tc : cases) {
        StartOver();
        Configurator& c = Start();
        tc.arrange(*this);
        host.messages.clear();
        view.focus = ControlId{};
        c.OnCommand(ControlId::UploadSettings);
        EXPECT_FALSE(c.last_upload_succeeded()) << tc.name;
        EXPECT_EQ(host.texts(), std::vector<std::u16string>{tc.message}) << tc.name;
        EXPECT_EQ(view.focus, tc.focus.value_or(ControlId{})) << tc.name;
        EXPECT_TRUE(c.uploaded_serials().empty()) << tc.name;
        EXPECT_FALSE(std::filesystem::exists(dir / "QX7SIM0000000001.qx7")) << tc.name;
        EXPECT_TRUE(view.Enabled(ControlId::Exit)) << tc.name;
    }
}

// A drive is written only when the read just before found it unlocked with
// the administrator password over a complete channel; in every other case
// the upload is refused with a message and no settings write is sent to any
// drive (the write carries the passwords).
TEST_F(ConfiguratorTest, NoSettingsWriteReachesADriveThatWasNotReadInAdministratorMode) {
    const auto fault = [](const char* prefix) {
        sim::SimFault f;
        f.cdb_prefix = qx7::strings::FromHex(prefix).value();
        return f;
    };
    const std::u16string no_channel =
        u"Nothing was sent to the drive: its encrypted command channel is not open.\nPlease "
        u"reconnect the QX7 drive and read it again.";
    struct Case {
        const char* name;
        std::function<void(sim::SimDrive&)> arrange;
        std::u16string refusal;
    } cases[] = {
        {"unlocked with the user password", [](sim::SimDrive& d) { d.mode = sim::UnlockMode::User; }, kUserMode},
        {"locked", [](sim::SimDrive& d) { d.mode = sim::UnlockMode::Locked; }, kUserMode},
        {"channel key not fetched", [&](sim::SimDrive& d) { d.faults.push_back(fault("3c01ce7e")); }, no_channel},
        {"channel check failed", [&](sim::SimDrive& d) { d.faults.push_back(fault("3c01ce04")); }, no_channel},
        {"identity failed", [&](sim::SimDrive& d) { d.faults.push_back(fault("3c01ce01")); }, no_channel},
    };
    for (const auto& tc : cases) {
        StartOver();
        tc.arrange(session.state().drives[0]);
        Configurator& c = Start();
        EXPECT_FALSE(c.admin_ready()) << tc.name;
        EXPECT_FALSE(view.Enabled(ControlId::ChangeSettings)) << tc.name;
        EXPECT_EQ(devices.open_now, 0) << tc.name << ": the drive is not kept open";

        EXPECT_FALSE(view.Enabled(ControlId::UploadSettings)) << tc.name;
        host.messages.clear();
        c.OnUploadShortcut();  // the upload button is disabled: the shortcut does nothing
        EXPECT_TRUE(host.messages.empty()) << tc.name;
        view.SetText(ControlId::CurrentPassword, u"QX7ADMIN");
        c.UploadSettings();  // and the command itself is refused
        EXPECT_FALSE(c.last_upload_succeeded()) << tc.name;
        EXPECT_EQ(host.texts(), std::vector<std::u16string>{tc.refusal}) << tc.name;
        EXPECT_TRUE(devices.PathsSent(kSettingsWrite).empty()) << tc.name;
        EXPECT_TRUE(devices.PathsSent(kLastErrorQuery).empty()) << tc.name;
        EXPECT_EQ(session.state().drives[0].settings, sim::DefaultDrive(0).settings) << tc.name;
    }
}

// Picking a line whose drive cannot be opened forgets the drive read
// before: nothing is written to it afterwards.
class TwoDriveTest : public ConfiguratorTest {
protected:
    TwoDriveTest() : ConfiguratorTest({sim::DefaultDrive(0), sim::DefaultDrive(1)}) {}
};

TEST_F(TwoDriveTest, ADriveThatCannotBeOpenedLeavesNoDriveToWriteTo) {
    ConfiguratorTest& t = *this;
    Configurator& c = t.Start();
    ASSERT_TRUE(c.admin_ready());
    ASSERT_EQ(t.view.ComboLines(ControlId::DriveList).size(), 2u);
    t.PrepareSettingsUpload();

    t.bus.Unplug(1);  // gone between the scan and the read
    t.view.SetComboIndex(ControlId::DriveList, 1);
    c.OnDriveSelectionChanged();
    EXPECT_EQ(t.host.texts(),
              std::vector<std::u16string>{u"QX7 drive cannot be detected. Please reconnect the QX7 drive."});
    EXPECT_FALSE(c.admin_ready());
    EXPECT_TRUE(c.read_done()) << "a later rescan is not blocked";
    EXPECT_EQ(t.devices.open_now, 0);
    EXPECT_EQ(t.view.Text(ControlId::SerialNumber), u"");
    EXPECT_TRUE(t.view.Enabled(ControlId::Rescan));
    EXPECT_TRUE(t.view.Enabled(ControlId::DriveList));
    EXPECT_FALSE(t.view.Enabled(ControlId::UploadSettings));

    t.host.messages.clear();
    c.UploadSettings();
    EXPECT_FALSE(c.last_upload_succeeded());
    EXPECT_EQ(t.host.texts(),
              std::vector<std::u16string>{u"QX7 drive cannot be detected. Please reconnect the QX7 drive."});
    EXPECT_TRUE(t.devices.PathsSent(kSettingsWrite).empty());
    EXPECT_TRUE(c.uploaded_serials().empty());
}

// A drive that does not tell who it is shows no serial number, not the one
// of the drive read before (the log and the saved file are named by it).
TEST_F(TwoDriveTest, ADriveWhoseIdentityFailsShowsNoSerialOfAnotherDrive) {
    sim::SimFault identity;
    identity.cdb_prefix = qx7::strings::FromHex("3c01ce01").value();
    session.state().drives[1].faults.push_back(identity);
    Configurator& c = Start();
    ASSERT_EQ(view.Text(ControlId::SerialNumber), u"QX7SIM0000000001");
    view.SetComboIndex(ControlId::DriveList, 1);
    c.OnDriveSelectionChanged();
    EXPECT_EQ(c.serial_text(), u"");
    EXPECT_EQ(view.Text(ControlId::SerialNumber), u"");
    EXPECT_FALSE(c.admin_ready());
}

// An upload that never reached the drive says so instead of showing the
// drive's last error, which belongs to some earlier command.
TEST_F(ConfiguratorTest, AnUnsentUploadSaysSoAndDoesNotAskTheDriveForItsLastError) {
    // Tamper with the channel's token indexes on their way back so that the
    // write's token points past the channel key: the read still works, the
    // write cannot be built.
    protocol::ChannelKeys seen;
    qx7::protocol::DeriveIdKey(session.state().drives[0].device_id, seen);
    devices.tamper = [&seen](const transport::ScsiRequest& r) {
        const std::string cdb = qx7::strings::ToHex(std::span(r.cdb.data(), r.cdb_length));
        if (cdb.rfind("3c01ce7e", 0) == 0) {
            std::array<std::uint8_t, 32> key{};
            protocol::DecryptBlocks(key, r.data.first(32), seen.id_key, 32);
            seen.channel_key = key;
        } else if (cdb.rfind("3c01ce7d", 0) == 0) {
            std::array<std::uint8_t, 16> index{};
            protocol::DecryptBlocks(index, r.data.first(16), seen.channel_key, 16);
            index[protocol::kTokenWriteSettings] = 200;
            protocol::EncryptBlocks(r.data.first(16), index, seen.channel_key, 16);
        }
    };
    Configurator& c = Start();
    ASSERT_TRUE(c.admin_ready()) << qx7::strings::ToUtf8(host.texts().empty() ? u"" : host.texts().front());
    PrepareSettingsUpload();
    host.messages.clear();
    devices.sent.clear();
    c.OnUploadShortcut();
    EXPECT_FALSE(c.last_upload_succeeded());
    EXPECT_EQ(host.texts(), std::vector<std::u16string>{u"Nothing was sent to the drive: its encrypted command "
                                                        u"channel is not open.\nPlease reconnect the QX7 drive "
                                                        u"and read it again."});
    EXPECT_TRUE(devices.sent.empty()) << "no command at all, no last-error query either";
}

TEST_F(ConfiguratorTest, TheMakerCheckLooksAtTheFirstTenLettersOnly) {
    struct Case {
        const char* manufacturer;
        bool passes;
    } cases[] = {{"Ostrivance Storage Inc.", true},
                 {"OSTRIVANCE", true},
                 {"OSTRIVAN", false},
                 {"Other Maker", false},
                 // The message shows the manufacturer as recorded (64 characters), not
                 // cut to fit a message buffer.
                 {"Another Maker Of Storage Devices With A Rather Long Name, Incorporated And Co.", false}};
    for (const auto& tc : cases) {
        StartOver();
        session.state().drives[0].manufacturer = tc.manufacturer;
        Configurator& c = Start();
        PrepareSettingsUpload();
        host.messages.clear();
        c.OnCommand(ControlId::UploadSettings);
        EXPECT_EQ(c.last_upload_succeeded(), tc.passes) << tc.manufacturer;
        if (!tc.passes) {
            const std::u16string recorded = qx7::strings::FromUtf8(tc.manufacturer).substr(0, 64);
            EXPECT_EQ(host.texts(), std::vector<std::u16string>{u"Selected Device (" + recorded + u")"});
        }
    }
}

TEST_F(ConfiguratorTest, ClosingPathsAndAnUnwritableLog) {
    Configurator& c = Start();
    PrepareSettingsUpload();
    c.OnCommand(ControlId::UploadSettings);
    ASSERT_TRUE(c.last_upload_succeeded());

    // A folder whose parent is missing: the message is shown and the window
    // stays open with the serial numbers kept.
    view.SetText(ControlId::FolderField, qx7::strings::FromUtf8((dir / "no" / "such").string()));
    host.messages.clear();
    c.OnExit();
    EXPECT_FALSE(host.ended);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, editor::MessageIcon::Warning);
    EXPECT_EQ(c.uploaded_serials().size(), 1u);

    // Another folder, and leaving again writes the log.
    view.SetText(ControlId::FolderField, qx7::strings::FromUtf8((dir / "logs").string()));
    c.OnCloseRequest();
    EXPECT_EQ(host.ended, DialogResult::Ok);
    ASSERT_TRUE(c.log_path());
    EXPECT_EQ(c.log_path()->parent_path(), dir / "logs");
    EXPECT_EQ(devices.open_now, 0) << "the drive is closed at exit";
}

TEST_F(ConfiguratorTest, TheTitleBandCloseAndCtrlSWriteTheLogOrStay) {
    for (bool title_close : {true, false}) {
        StartOver();
        Configurator& c = Start();
        PrepareSettingsUpload();
        c.OnCommand(ControlId::UploadSettings);
        ASSERT_TRUE(c.last_upload_succeeded());
        const auto leave = [&] {
            if (title_close) {
                c.OnTitleClose();
            } else {
                c.OnCommand(ControlId::Ok);
            }
        };
        // A folder that cannot be made: a message, and the window stays.
        view.SetText(ControlId::FolderField, qx7::strings::FromUtf8((dir / "no" / "such").string()));
        host.messages.clear();
        leave();
        EXPECT_FALSE(host.ended) << title_close;
        EXPECT_EQ(host.messages.size(), 1u) << title_close;
        EXPECT_TRUE(view.Enabled(ControlId::FolderField)) << title_close;
        EXPECT_TRUE(view.Enabled(ControlId::FolderButton)) << title_close;

        view.SetText(ControlId::FolderField, qx7::strings::FromUtf8(dir.string()));
        leave();
        EXPECT_EQ(host.ended, title_close ? DialogResult::Cancel : DialogResult::Ok);
        ASSERT_TRUE(c.log_path()) << title_close;
        EXPECT_EQ(c.log_path()->parent_path(), dir);
    }
}

TEST_F(ConfiguratorTest, ReadingAnotherDriveClosesTheOneReadBefore) {
    Configurator& c = Start();
    EXPECT_EQ(devices.open_now, 1);
    c.OnDriveSelectionChanged();
    c.OnCommand(ControlId::Rescan);
    EXPECT_EQ(devices.open_now, 1);
    c.SwitchLanguage(strings::Language::Korean);
    EXPECT_EQ(devices.open_now, 1);
}

TEST_F(ConfiguratorTest, ALanguageSwitchStartsTheFormAfreshKeepsTheLogAndReadsTheDriveAgain) {
    Configurator& c = Start();
    PrepareSettingsUpload();
    c.OnCommand(ControlId::UploadSettings);
    ASSERT_TRUE(c.last_upload_succeeded());
    view.SetChecked(ControlId::EnableLog, false);
    const auto lists = view.ComboLines(ControlId::AdminLanguage);

    host.local_time.tm_hour = 11;
    const int scans = host.scans;
    c.SwitchLanguage(strings::Language::Korean);
    EXPECT_EQ(host.scans, scans + 1);
    EXPECT_EQ(c.uploaded_serials().entries(), std::vector<std::string>{"QX7SIM0000000001"})
        << "uploads before the switch stay on the run's log";
    EXPECT_EQ(view.Text(ControlId::NewSetupId), u"2026-12-10-11");
    EXPECT_TRUE(c.admin_ready()) << "the drive is read again";
    EXPECT_EQ(view.ComboLines(ControlId::AdminLanguage), lists);
    EXPECT_FALSE(view.Checked(ControlId::EnableLog)) << "the boxes keep their ticks";
    EXPECT_EQ(c.form().language(), strings::Language::Korean);
}

TEST_F(ConfiguratorTest, ImportThenUploadReproducesTheSavedForm) {
    Configurator& c = Start();
    PrepareSettingsUpload();
    host.save_path = dir / "site.qx7";
    c.OnCommand(ControlId::SaveAs);
    ASSERT_TRUE(host.messages.empty());
    EXPECT_EQ(host.save_dialog_names, std::vector<std::u16string>{u"QX7SIM0000000001"});

    // Another run: a fresh window imports the file and uploads it.
    StartOver();
    Configurator& again = Start();
    host.open_path = dir / "site.qx7";
    again.OnCommand(ControlId::Import);
    EXPECT_TRUE(view.Checked(ControlId::ChangeSettings));
    EXPECT_EQ(view.Text(ControlId::SelfDestructCounter), u"25");
    EXPECT_EQ(view.focus, ControlId::CurrentPassword);
    view.SetText(ControlId::CurrentPassword, u"QX7ADMIN");
    again.OnCommand(ControlId::UploadSettings);
    EXPECT_TRUE(again.last_upload_succeeded());
    EXPECT_EQ(session.state().drives[0].settings[8], 25);

    host.open_path = dir / "missing.qx7";
    host.messages.clear();
    again.OnCommand(ControlId::Import);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, editor::MessageIcon::Warning);
}

TEST_F(ConfiguratorTest, ImportOfADamagedFileShowsWhatIsWrongAndLeavesTheFormAsItWas) {
    Configurator& c = Start();
    PrepareSettingsUpload();
    host.save_path = dir / "site.qx7";
    c.OnCommand(ControlId::SaveAs);
    ASSERT_TRUE(host.messages.empty());
    // One bit flipped in the file scrambles the block of bytes 176 to 191:
    // the block-menu mask, carried-over bytes and the setup ID.
    std::string bytes;
    {
        std::ifstream in(dir / "site.qx7", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(bytes.size(), 320u);
    bytes[180] = static_cast<char>(bytes[180] ^ 0x04);
    std::ofstream(dir / "damaged.qx7", std::ios::binary) << bytes;
    view.SetText(ControlId::SelfDestructCounter, u"15");
    c.form().ReadForm();
    const editor::FormValues before = c.form().values();

    host.open_path = dir / "damaged.qx7";
    c.OnCommand(ControlId::Import);

    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].icon, editor::MessageIcon::Warning);
    const std::string text = strings::ToUtf8(host.messages[0].text);
    EXPECT_NE(text.find("Fail !, The configuration file is damaged: settings.setup_id"), std::string::npos) << text;
    EXPECT_NE(text.find("damaged.qx7 )"), std::string::npos) << text;
    EXPECT_EQ(c.form().values(), before);
    EXPECT_EQ(view.Text(ControlId::SelfDestructCounter), u"15");
}

}  // namespace
}  // namespace qx7::app
