// Provisioning many drives: every drive of a batch receives the same
// commands as when it is configured alone, only the chosen drives are
// written, drives really run at once, one failed drive spoils no other, and
// a stop leaves every drive not yet uploading untouched.

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

#include "app/provisioning.h"
#include "editor/settings_difference.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "sim/sim_bus.h"
#include "sim/sim_session.h"
#include "storage/config_file.h"
#include "strings/text_codec.h"
#include "support/rendezvous.h"
#include "support/temp_folder.h"

namespace {

using namespace qx7;
using app::DriveResult;

// One command as the drive saw it: its block, the data sent and the data
// answered.
struct Exchange {
    std::vector<std::uint8_t> cdb;
    std::vector<std::uint8_t> data_out;
    std::vector<std::uint8_t> data_in;
    bool operator==(const Exchange&) const = default;
};

// Records, per opened path, every command after recording was switched on.
class RecordingEnumerator final : public transport::ForwardingEnumerator {
public:
    using ForwardingEnumerator::ForwardingEnumerator;
    std::unique_ptr<transport::ScsiDevice> Open(const std::string& path) override {
        auto device = inner().Open(path);
        if (!device) return nullptr;
        return std::make_unique<Device>(*this, path, std::move(device));
    }
    void Start() { recording_ = true; }
    std::map<std::string, std::vector<Exchange>> by_path() {
        std::lock_guard lock(mutex_);
        return by_path_;
    }

private:
    class Device final : public transport::ScsiDevice {
    public:
        Device(RecordingEnumerator& owner, std::string path, std::unique_ptr<transport::ScsiDevice> inner)
            : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {}
        transport::ScsiResult Execute(const transport::ScsiRequest& request) override {
            Exchange exchange;
            exchange.cdb.assign(request.cdb.begin(), request.cdb.begin() + request.cdb_length);
            if (request.direction == transport::DataDirection::Out)
                exchange.data_out.assign(request.data.begin(), request.data.end());
            const transport::ScsiResult result = inner_->Execute(request);
            if (request.direction == transport::DataDirection::In) {
                exchange.data_in.assign(
                    request.data.begin(),
                    request.data.begin() + std::min<std::size_t>(result.transferred, request.data.size()));
            }
            if (owner_.recording_) {
                std::lock_guard lock(owner_.mutex_);
                owner_.by_path_[path_].push_back(std::move(exchange));
            }
            return result;
        }

    private:
        RecordingEnumerator& owner_;
        std::string path_;
        std::unique_ptr<transport::ScsiDevice> inner_;
    };

    std::atomic<bool> recording_{false};
    std::mutex mutex_;
    std::map<std::string, std::vector<Exchange>> by_path_;
};

// The same bytes every time: channel keys and token indexes repeat, so two
// runs can be compared byte for byte.
void FixedRandom(std::span<std::uint8_t> out) {
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(0x5A + i);
}

class TestContext final : public app::DriveContext {
public:
    explicit TestContext(std::function<void(app::DriveStep)> on_step = {}) : on_step_(std::move(on_step)) {}
    app::ScriptedHost& host() override { return host_; }
    void OnStep(app::DriveStep step) override {
        if (on_step_) on_step_(step);
    }

private:
    app::ScriptedHost host_;
    std::function<void(app::DriveStep)> on_step_;
};

// The folder the plans name. Nothing is saved there (auto_save is off); a
// run that did write would leave nothing behind.
const std::filesystem::path& PlanFolder() {
    static const qx7::test::TempFolder folder("qx7-provisioning-test");
    return folder.path();
}

app::ProvisioningPlan Plan() {
    app::ProvisioningPlan plan;
    plan.payload.change_mask = protocol::kChangeSettings;
    plan.payload.settings = protocol::SettingsRecord::Decode(sim::DefaultDrive(0).settings);
    plan.payload.settings.self_destruct_limit = 20;
    plan.payload.settings.auto_lock_delay = 120;
    plan.password = u"QX7ADMIN";
    plan.folder = PlanFolder();
    plan.auto_save = false;
    plan.local_time.tm_year = 126;
    plan.local_time.tm_mon = 11;
    plan.local_time.tm_mday = 10;
    plan.real_waits = false;
    return plan;
}

// Simulated drives on a bus, recorded from after the scan on.
struct Bench {
    explicit Bench(std::vector<sim::SimDrive> drives)
        : session(sim::SimState{std::move(drives)}, FixedRandom), bus(session), recorder(bus) {
        table = transport::ScanDrives(recorder);
        recorder.Start();
    }
    std::vector<app::DriveOutcome> Run(const std::vector<std::size_t>& lines, std::size_t jobs,
                                       const app::DriveContextFactory& contexts = {},
                                       const app::StopFlag* stop = nullptr) {
        const app::DriveContextFactory make =
            contexts ? contexts : [](std::size_t) { return std::make_unique<TestContext>(); };
        return app::ProvisionDrives(Plan(), recorder, table, lines, jobs, make, {}, stop);
    }
    std::string PathOf(std::size_t line) const { return table.ListedRecord(line)->storage_path; }

    sim::SimSession session;
    sim::SimBus bus;
    RecordingEnumerator recorder;
    transport::DriveTable table;
};

std::vector<sim::SimDrive> Drives(std::size_t count) {
    std::vector<sim::SimDrive> drives;
    for (std::size_t i = 0; i < count; ++i) drives.push_back(sim::DefaultDrive(i));
    return drives;
}

bool SentSettingsWrite(const std::vector<Exchange>& exchanges) {
    return std::any_of(exchanges.begin(), exchanges.end(), [](const Exchange& e) {
        return e.cdb.size() > 3 && e.cdb[0] == 0x3B && e.cdb[3] == protocol::kCmdWriteSettings;
    });
}

TEST(Provisioning, EachDriveOfABatchReceivesWhatItReceivesWhenConfiguredAlone) {
    constexpr std::size_t kDrives = 3;
    Bench batch(Drives(kDrives));
    const auto outcomes = batch.Run({0, 1, 2}, kDrives);
    for (const auto& outcome : outcomes) EXPECT_EQ(outcome.result, DriveResult::Configured) << outcome.line;
    const auto batch_traces = batch.recorder.by_path();

    for (std::size_t line = 0; line < kDrives; ++line) {
        SCOPED_TRACE("line " + std::to_string(line + 1));
        Bench alone(Drives(kDrives));
        ASSERT_EQ(alone.Run({line}, 1).at(0).result, DriveResult::Configured);
        const auto alone_traces = alone.recorder.by_path();
        // Configured alone, the drive is the only one that received anything.
        ASSERT_EQ(alone_traces.size(), 1u);
        ASSERT_TRUE(alone_traces.contains(alone.PathOf(line)));
        const auto& expected = alone_traces.at(alone.PathOf(line));
        EXPECT_TRUE(SentSettingsWrite(expected));
        EXPECT_EQ(batch_traces.at(batch.PathOf(line)), expected);
        EXPECT_EQ(batch.session.Snapshot().drives[line].settings, alone.session.Snapshot().drives[line].settings);
    }
}

TEST(Provisioning, DrivesOfABatchAreConfiguredAtTheSameTime) {
    // Every command waits until all three drives have a command waiting at
    // once (or gives up after a while); drives configured one after the
    // other never meet.
    auto drives = Drives(3);
    for (auto& drive : drives) drive.latency_ms = 1;
    Bench bench(std::move(drives));
    test::Rendezvous rendezvous(3);
    bench.session.SetSleeper(rendezvous.Sleeper());
    const auto outcomes = bench.Run({0, 1, 2}, 3);
    EXPECT_TRUE(rendezvous.met());
    for (const auto& outcome : outcomes) EXPECT_EQ(outcome.result, DriveResult::Configured);
}

TEST(Provisioning, ARunStartsEveryDriveAtOnceUpToTheBound) {
    EXPECT_EQ(app::DefaultJobs(0), 1u);
    EXPECT_EQ(app::DefaultJobs(1), 1u);
    EXPECT_EQ(app::DefaultJobs(99), 99u);
    EXPECT_EQ(app::DefaultJobs(1000), app::kMaxJobs);
    EXPECT_EQ(app::kMaxJobs, 256u);
}

TEST(Provisioning, AFailedDriveSpoilsNoOtherAndTheLogHasEachConfiguredDriveOnce) {
    auto drives = Drives(4);
    drives[1].mode = sim::UnlockMode::User;
    drives[2].faults.push_back({{0x3B, 0x01, 0xCD, 0x31}, sim::SimFault::Mode::Check, 1});
    Bench bench(std::move(drives));
    const auto outcomes = bench.Run({0, 1, 2, 3}, 2);
    ASSERT_EQ(outcomes.size(), 4u);
    const DriveResult expected[] = {DriveResult::Configured, DriveResult::Failed, DriveResult::Failed,
                                    DriveResult::Configured};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(outcomes[i].line, i);
        EXPECT_EQ(outcomes[i].result, expected[i]);
        EXPECT_EQ(outcomes[i].serial, u"QX7SIM000000000" + std::u16string(1, static_cast<char16_t>(u'1' + i)));
        EXPECT_EQ(outcomes[i].error.empty(), expected[i] == DriveResult::Configured);
    }
    EXPECT_FALSE(SentSettingsWrite(bench.recorder.by_path()[bench.PathOf(1)]));
    EXPECT_EQ(app::LogOfRun(outcomes).entries(), (std::vector<std::string>{"QX7SIM0000000001", "QX7SIM0000000004"}));
}

// A failed drive's error keeps every message shown about it, in order, not
// only the last one.
TEST(Provisioning, AFailedDrivesErrorKeepsEveryMessage) {
    auto drives = Drives(2);
    drives[0].mode = sim::UnlockMode::User;
    // Out-of-range values are said on reading; then the write fails.
    auto settings = protocol::SettingsRecord::Decode(drives[1].settings);
    settings.self_destruct_limit = 250;
    settings.auto_lock_delay = 60000;
    drives[1].settings = settings.Encode();
    drives[1].faults.push_back({{0x3B, 0x01, 0xCD, 0x31}, sim::SimFault::Mode::Check, 1});
    Bench bench(std::move(drives));
    std::map<std::size_t, std::vector<std::u16string>> shown;
    std::mutex mutex;
    struct Keeping final : app::DriveContext {
        app::ScriptedHost host_;
        std::function<void(const app::ScriptedHost&)> done;
        app::ScriptedHost& host() override { return host_; }
        void OnStep(app::DriveStep step) override {
            if (step == app::DriveStep::Finished) done(host_);
        }
    };
    const auto outcomes = bench.Run({0, 1}, 1, [&](std::size_t line) {
        auto context = std::make_unique<Keeping>();
        context->done = [&, line](const app::ScriptedHost& host) {
            std::lock_guard lock(mutex);
            for (const auto& message : host.messages) shown[line].push_back(message.text);
        };
        return context;
    });
    for (std::size_t line = 0; line < 2; ++line) {
        SCOPED_TRACE(line);
        ASSERT_EQ(outcomes[line].result, DriveResult::Failed);
        ASSERT_FALSE(shown[line].empty());
        std::size_t at = 0;
        for (const std::u16string& text : shown[line]) {
            at = outcomes[line].error.find(text, at);
            ASSERT_NE(at, std::u16string::npos) << "missing: " << strings::ToUtf8(text);
        }
    }
    EXPECT_GT(shown[0].size() + shown[1].size(), 2u);  // some drive showed more than one message
}

// A drive with Centrawatch on keeps it on whatever the file says: it is
// configured, with a warning that says so; a drive with it off has none.
TEST(Provisioning, AFileAskingCentrawatchOffLeavesItOnAndSaysSo) {
    auto drives = Drives(2);
    auto settings = protocol::SettingsRecord::Decode(drives[0].settings);
    settings.policy_flags |= protocol::kPolicyCentrawatch;
    drives[0].settings = settings.Encode();
    Bench bench(std::move(drives));
    ASSERT_EQ(Plan().payload.settings.policy_flags & protocol::kPolicyCentrawatch, 0u);
    const auto outcomes = bench.Run({0, 1}, 1);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].result, DriveResult::Configured);
    EXPECT_TRUE(outcomes[0].warnings);
    ASSERT_EQ(outcomes[0].kept.size(), 1u);
    EXPECT_NE(outcomes[0].kept[0].find(u"Centrawatch stayed on"), std::u16string::npos);
    EXPECT_EQ(outcomes[1].result, DriveResult::Configured);
    EXPECT_FALSE(outcomes[1].warnings);
    EXPECT_TRUE(outcomes[1].kept.empty());
    const auto held = protocol::SettingsRecord::Decode(bench.session.state().drives[0].settings);
    EXPECT_NE(held.policy_flags & protocol::kPolicyCentrawatch, 0u);
}

// A drive whose old values are out of the form's range is said so on
// reading; a file that sets the settings gives it valid ones, so it is
// configured without warnings, its values the file's.
TEST(Provisioning, OldValuesOutOfRangeReplacedByTheFileAreNoWarning) {
    auto drives = Drives(1);
    auto settings = protocol::SettingsRecord::Decode(drives[0].settings);
    settings.self_destruct_limit = 250;
    settings.auto_lock_delay = 60000;
    drives[0].settings = settings.Encode();
    Bench bench(std::move(drives));
    const auto outcomes = bench.Run({0}, 1);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].result, DriveResult::Configured) << strings::ToUtf8(outcomes[0].error);
    EXPECT_FALSE(outcomes[0].warnings);
    const auto held = protocol::SettingsRecord::Decode(bench.session.state().drives[0].settings);
    EXPECT_EQ(held.self_destruct_limit, 20);
    EXPECT_EQ(held.auto_lock_delay, 120);
}

TEST(Provisioning, AStopLeavesEveryDriveNotYetUploadingUntouched) {
    const struct {
        const char* name;
        app::DriveStep stop_at;  // of line 1; Finished: stopped before the run
        DriveResult line_1;
    } cases[] = {
        {"stopped before the run", app::DriveStep::Finished, DriveResult::Interrupted},
        {"stopped while line 1 is read", app::DriveStep::Reading, DriveResult::Interrupted},
        {"stopped while line 1 uploads", app::DriveStep::Uploading, DriveResult::Configured},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench(Drives(3));
        app::StopFlag stop{c.stop_at == app::DriveStep::Finished};
        const auto contexts = [&](std::size_t line) {
            return std::make_unique<TestContext>([&, line](app::DriveStep step) {
                if (line == 0 && step == c.stop_at) stop = true;
            });
        };
        const auto outcomes = bench.Run({0, 1, 2}, 1, contexts, &stop);
        EXPECT_EQ(outcomes[0].result, c.line_1);
        EXPECT_EQ(outcomes[1].result, DriveResult::Interrupted);
        EXPECT_EQ(outcomes[2].result, DriveResult::Interrupted);
        const auto traces = bench.recorder.by_path();
        EXPECT_EQ(
            SentSettingsWrite(traces.contains(bench.PathOf(0)) ? traces.at(bench.PathOf(0)) : std::vector<Exchange>{}),
            c.line_1 == DriveResult::Configured);
        EXPECT_FALSE(traces.contains(bench.PathOf(1)));
        EXPECT_FALSE(traces.contains(bench.PathOf(2)));
    }
}

// How many settings reads (0x30) and writes (0x31 and the pre-command that
// announces it) a drive received.
std::size_t CountOf(const std::vector<Exchange>& exchanges, bool writes) {
    return static_cast<std::size_t>(std::count_if(exchanges.begin(), exchanges.end(), [writes](const Exchange& e) {
        if (e.cdb.size() < 4) return false;
        if (writes) return e.cdb[0] == 0x3B && (e.cdb[2] == 0xCD || (e.cdb[2] == 0x10 && e.cdb[3] == 0xCD));
        return e.cdb[0] == 0x3C && e.cdb[2] == 0xCE && e.cdb[3] == protocol::kCmdReadSettings;
    }));
}

std::vector<app::DriveOutcome> RunPlan(Bench& bench, const app::ProvisioningPlan& plan,
                                       const std::vector<std::size_t>& lines,
                                       std::function<void(std::size_t, app::DriveStep)> on_step = {}) {
    return app::ProvisionDrives(plan, bench.recorder, bench.table, lines, 1,
                                [on_step](std::size_t line) {
                                    return std::make_unique<TestContext>([on_step, line](app::DriveStep step) {
                                        if (on_step) on_step(line, step);
                                    });
                                },
                                {});
}

// After the upload the drive is read again: a drive that kept what it was
// sent is verified; one that dropped the write, or another drive answering
// in its place, fails with the reason; without the read-back nothing more
// is read.
TEST(Provisioning, TheReadBackProvesWhatTheDriveHolds) {
    auto drives = Drives(3);
    drives[1].drops_writes = true;
    Bench bench(std::move(drives));
    // Drive 3 is replaced by another drive on the same path just before its
    // read-back.
    const auto outcomes = RunPlan(bench, Plan(), {0, 1, 2}, [&](std::size_t line, app::DriveStep step) {
        if (line != 2 || step != app::DriveStep::Verifying) return;
        std::string error;
        ASSERT_TRUE(bench.session.Edit([](sim::SimState& state) { state.drives[2].device_id[15] = 'X'; }, &error));
    });
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].result, DriveResult::Configured);
    EXPECT_EQ(outcomes[0].verification, app::Verification::Verified);
    EXPECT_FALSE(outcomes[0].warnings);

    EXPECT_EQ(outcomes[1].result, DriveResult::Failed);
    EXPECT_EQ(outcomes[1].verification, app::Verification::Failed);
    EXPECT_EQ(outcomes[1].mismatches, (std::vector<editor::FieldChange>{{"self_destruct_counter", "20", "10"},
                                                                        {"auto_lock_delay", "120", "60"}}));
    EXPECT_NE(
        outcomes[1].error.find(u"self_destruct_counter: expected 20 \u2192 found 10; auto_lock_delay: expected 120 "
                               u"\u2192 found 60"),
        std::u16string::npos)
        << strings::ToUtf8(outcomes[1].error);
    EXPECT_EQ(app::LogOfRun(outcomes).entries(), std::vector<std::string>{"QX7SIM0000000001"});

    EXPECT_EQ(outcomes[2].result, DriveResult::Failed);
    EXPECT_NE(outcomes[2].error.find(u"not the drive written (serial QX7SIM000000000X)"), std::u16string::npos)
        << strings::ToUtf8(outcomes[2].error);

    const auto traces = bench.recorder.by_path();
    EXPECT_EQ(CountOf(traces.at(bench.PathOf(0)), false), 2u);  // the first read and the read-back

    Bench unverified(Drives(1));
    auto plan = Plan();
    plan.verify = false;
    const auto skipped = RunPlan(unverified, plan, {0});
    EXPECT_EQ(skipped.at(0).result, DriveResult::Configured);
    EXPECT_EQ(skipped.at(0).verification, app::Verification::Skipped);
    EXPECT_EQ(CountOf(unverified.recorder.by_path().at(unverified.PathOf(0)), false), 1u);
}

// A dry run reads each drive, sends nothing that writes and changes nothing
// on it, and lists exactly what the upload then changes, with what the
// drive would keep against the file.
TEST(Provisioning, ADryRunListsWhatTheUploadWouldChangeAndWritesNothing) {
    auto drives = Drives(2);
    auto centrawatch = protocol::SettingsRecord::Decode(drives[1].settings);
    centrawatch.policy_flags |= protocol::kPolicyCentrawatch;
    drives[1].settings = centrawatch.Encode();
    Bench bench(drives);
    const sim::SimState before = bench.session.Snapshot();
    auto plan = Plan();
    plan.dry_run = true;
    plan.payload.change_mask |= protocol::kChangeAdminPassword;
    const std::string new_admin = "NEWADMIN9";
    for (std::size_t i = 0; i < new_admin.size(); ++i) {
        plan.payload.new_admin_password[i] = static_cast<std::uint8_t>(new_admin[i]);
    }
    plan.payload.new_admin_password_length = static_cast<std::uint32_t>(new_admin.size());
    const auto previewed = RunPlan(bench, plan, {0, 1});
    EXPECT_EQ(bench.session.Snapshot(), before);
    for (const auto& [path, exchanges] : bench.recorder.by_path()) EXPECT_EQ(CountOf(exchanges, true), 0u) << path;

    ASSERT_EQ(previewed.size(), 2u);
    const std::vector<editor::FieldChange> expected = {{"self_destruct_counter", "10", "20"},
                                                       {"auto_lock_delay", "60", "120"},
                                                       {"admin_password", "(not readable)", "(new)"}};
    for (std::size_t line = 0; line < 2; ++line) {
        SCOPED_TRACE(line);
        EXPECT_EQ(previewed[line].result, DriveResult::Previewed) << strings::ToUtf8(previewed[line].error);
        EXPECT_EQ(previewed[line].changes, expected);
    }
    EXPECT_TRUE(previewed[0].kept.empty());
    ASSERT_EQ(previewed[1].kept.size(), 1u);
    EXPECT_NE(previewed[1].kept[0].find(u"Centrawatch stays on"), std::u16string::npos);

    // The upload then changes exactly the record's fields listed.
    plan.dry_run = false;
    const auto applied = RunPlan(bench, plan, {0});
    ASSERT_EQ(applied.at(0).result, DriveResult::Configured) << strings::ToUtf8(applied.at(0).error);
    const auto held = protocol::SettingsRecord::Decode(bench.session.Snapshot().drives[0].settings);
    const auto changed = editor::SettingsDifference(protocol::SettingsRecord::Decode(before.drives[0].settings), held);
    EXPECT_EQ(changed, std::vector<editor::FieldChange>(expected.begin(), expected.end() - 1));
}

}  // namespace
