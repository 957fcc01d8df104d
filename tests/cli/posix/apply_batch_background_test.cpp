// Needs POSIX signals (SIGINT, SIGHUP, SIGKILL) sent to a qx7ctl run in the background.
// qx7ctl apply over many simulated drives while it runs: Ctrl+C in a batch,
// a dropped session or a kill after a drive was written, and the station
// that configures each drive plugged in, driven end to end through the
// state file as another program (or a person) would change it.

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "cli/apply_batch_fixture.h"
#include "support/posix/background_process.h"

namespace {

using qx7::test::BackgroundProcess;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class ApplyBatchInBackground : public qx7::test::ApplyBatchTest {
protected:
    // qx7ctl started in the background, as Run would start it.
    std::unique_ptr<BackgroundProcess> Start(const std::string& arguments) {
        return std::make_unique<BackgroundProcess>("env LANG=C.UTF-8 '" + std::string(QX7CTL_PATH) + "' --sim " +
                                                       Quoted(state_) + " " + arguments + " 2>" +
                                                       Quoted(Path("stderr.txt")),
                                                   Path("stdout.txt"));
    }
};

TEST_F(ApplyBatchInBackground, CtrlCLetsTheUploadingDriveFinishAndWritesNoOther) {
    // One drive at a time, each command slowed, so that Ctrl+C comes while
    // the second drive is being read.
    Write("state.json", R"({"drives": [{"latency_ms": 20}, {"latency_ms": 300}, {"latency_ms": 300}]})");
    const std::string second = SettingsOf(1), third = SettingsOf(2);
    auto process = Start(ApplyArgs("--all --jobs 1 --report " + Quoted(Path("report.json"))));
    ASSERT_TRUE(process->WaitForOutput("line 1: QX7SIM0000000001: configured", 30s)) << process->Output();
    process->Signal(SIGINT);
    EXPECT_EQ(process->Wait(30s), 130) << process->Output() << Read(Path("stderr.txt"));

    EXPECT_NE(Read(Path("stderr.txt")).find("Interrupted"), std::string::npos);
    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("interrupted"), true);
    EXPECT_EQ(report.at("exit_status"), 130);
    EXPECT_EQ(report.at("drives")[0].at("result"), "configured");
    EXPECT_EQ(report.at("drives")[1].at("result"), "interrupted");
    EXPECT_EQ(report.at("drives")[2].at("result"), "interrupted");
    EXPECT_EQ(SettingsOf(1), second);
    EXPECT_EQ(SettingsOf(2), third);
    EXPECT_EQ(LogLines(), std::vector<std::string>{"QX7SIM0000000001"});
}

TEST_F(ApplyBatchInBackground, EachWrittenDriveIsRecordedBeforeTheNextSignalCanLoseIt) {
    // SIGHUP (a dropped session) ends the run as SIGTERM does.
    Write("state.json", R"({"drives": [{"latency_ms": 20}, {"latency_ms": 300}]})");
    auto process = Start(ApplyArgs("--all --jobs 1 --report " + Quoted(Path("report.json"))));
    ASSERT_TRUE(process->WaitForOutput("line 1: QX7SIM0000000001: configured", 30s)) << process->Output();
    process->Signal(SIGHUP);
    EXPECT_EQ(process->Wait(30s), 128 + SIGHUP) << process->Output() << Read(Path("stderr.txt"));
    nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("drives")[0].at("result"), "configured");
    EXPECT_TRUE(report.at("log").is_string());
    EXPECT_EQ(LogLines(), std::vector<std::string>{"QX7SIM0000000001"});

    // Killed outright after its first drive: the log and the report name it.
    fs::remove_all(Path("out"));
    fs::remove(Path("report.json"));
    fs::remove(Path("stdout.txt"));
    Write("state.json", R"({"drives": [{"latency_ms": 20}, {"latency_ms": 300}]})");
    process = Start(ApplyArgs("--all --jobs 1 --report " + Quoted(Path("report.json"))));
    ASSERT_TRUE(process->WaitForOutput("line 1: QX7SIM0000000001: configured", 30s)) << process->Output();
    process->Signal(SIGKILL);
    process->Wait(30s);
    report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("drives")[0].at("result"), "configured");
    EXPECT_EQ(LogLines(), std::vector<std::string>{"QX7SIM0000000001"});
}

TEST_F(ApplyBatchInBackground, ADriveIsRecordedWhenItAcceptsTheWriteNotAfterItsPause) {
    // With the drives' real pauses, the process is killed while both drives
    // are in the 5 s pause after their upload: their result lines, the
    // report, the log and the saved files already name them.
    Write("state.json", R"({"drives": [{}, {}]})");
    auto process = Start("--sim-waits " + ApplyArgs("--all --report " + Quoted(Path("report.json"))));
    for (const char* line : {"line 1: QX7SIM0000000001: written", "line 2: QX7SIM0000000002: written"}) {
        ASSERT_TRUE(process->WaitForOutput(line, 30s)) << process->Output();
    }
    process->Signal(SIGKILL);
    EXPECT_EQ(process->Wait(30s), -1);
    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    ASSERT_EQ(report.at("drives").size(), 2u);
    for (const auto& drive : report.at("drives")) {
        EXPECT_EQ(drive.at("result"), "configured") << drive.dump();
        // Recorded before the pause ended: the drive had not finished.
        EXPECT_TRUE(drive.at("finished").is_null()) << drive.dump();
        EXPECT_TRUE(fs::exists(drive.at("saved_file").get<std::string>())) << drive.dump();
    }
    std::vector<std::string> log = LogLines();
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, (std::vector<std::string>{"QX7SIM0000000001", "QX7SIM0000000002"}));
}

TEST_F(ApplyBatchInBackground, TheStationConfiguresEachDrivePluggedInOnce) {
    Write("state.json", R"({"drives": [{}, {"plugged": false}]})");
    auto process = Start(ApplyArgs("--watch --count 2 --report " + Quoted(Path("report.json"))));
    // The drive present at the start is configured.
    ASSERT_TRUE(process->WaitForOutput("line 1: QX7SIM0000000001: configured", 30s)) << process->Output();

    // Unplugged and plugged in again: read, recognised, left alone.
    SetPlugged(0, false);
    std::this_thread::sleep_for(2s);  // the station's rescan after the removal
    const std::string configured_once = SettingsOf(0);
    SetPlugged(0, true);
    ASSERT_TRUE(process->WaitForOutput("QX7SIM0000000001: skipped, configured earlier in this run", 30s))
        << process->Output();

    // A new drive is configured, and the second drive ends the run.
    SetPlugged(1, true);
    EXPECT_EQ(process->Wait(30s), 0) << process->Output() << Read(Path("stderr.txt"));
    EXPECT_NE(process->Output().find(": QX7SIM0000000002: configured"), std::string::npos) << process->Output();
    EXPECT_EQ(SettingsOf(0), configured_once);
    EXPECT_NE(SettingsOf(1), qx7::strings::ToHex(qx7::sim::DefaultDrive(1).settings));

    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("mode"), "watch");
    EXPECT_EQ(report.at("totals").at("configured"), 2);
    EXPECT_EQ(report.at("totals").at("skipped"), 1);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"QX7SIM0000000001", "QX7SIM0000000002"}));
}

TEST_F(ApplyBatchInBackground, CtrlCEndsAStationWaitingForDrives) {
    Write("state.json", R"({"drives": [{"plugged": false}]})");
    auto process = Start(ApplyArgs("--watch --report " + Quoted(Path("report.json"))));
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (Read(Path("stderr.txt")).find("press Ctrl+C to stop") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_NE(Read(Path("stderr.txt")).find("press Ctrl+C to stop"), std::string::npos);
    // The signal wakes the watcher the station waits on.
    process->Signal(SIGINT);
    EXPECT_EQ(process->Wait(30s), 130) << process->Output() << Read(Path("stderr.txt"));
    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("mode"), "watch");
    EXPECT_EQ(report.at("interrupted"), true);
}

}  // namespace
