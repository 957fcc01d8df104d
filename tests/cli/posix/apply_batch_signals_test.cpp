// Needs POSIX signals (SIGINT, SIGHUP) sent to a qx7ctl run in the background.
// qx7ctl apply over many simulated drives while it runs: Ctrl+C in a batch
// or at the station, and a dropped session or a kill after a drive was
// written.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/apply_batch_fixture.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

using ApplyBatchSignals = qx7::test::ApplyBatchTest;

TEST_F(ApplyBatchSignals, CtrlCLetsTheUploadingDriveFinishAndWritesNoOther) {
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

TEST_F(ApplyBatchSignals, EachWrittenDriveIsRecordedBeforeTheNextSignalCanLoseIt) {
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

TEST_F(ApplyBatchSignals, CtrlCEndsAStationWaitingForDrives) {
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
