// qx7ctl apply over many simulated drives: the report, a drive found but not
// listed, folders that cannot take the files, a run killed after its drives
// took the write, and the station that configures each drive plugged in,
// driven end to end through the state file as another program (or a
// person) would change it. Ctrl+C and other signals: posix/.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "cli/apply_batch_fixture.h"

namespace {

using qx7::test::ApplyBatchTest;
using qx7::test::ProcessRun;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST_F(ApplyBatchTest, TheReportSaysWhichDrivesFailedAndWhy) {
    Write("state.json", R"({"drives": [{}, {"mode": "user"}, {}]})");
    const std::string before = SettingsOf(1);
    const ProcessRun run = Run(ApplyArgs("--all --jobs 2 --report " + Quoted(Path("report.json"))));
    EXPECT_EQ(run.exit_code, 1) << err_;
    // Standard error is no terminal here: plain lines, no progress line.
    EXPECT_EQ(err_.find('\r'), std::string::npos) << err_;
    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("exit_status"), 1);
    EXPECT_EQ(report.at("interrupted"), false);
    EXPECT_EQ(report.at("totals"),
              (nlohmann::json{{"drives", 3}, {"configured", 2}, {"failed", 1}, {"skipped", 0}, {"interrupted", 0}}));
    const auto& drives = report.at("drives");
    ASSERT_EQ(drives.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drives[i].at("line"), i + 1);
        EXPECT_EQ(drives[i].at("serial"), "QX7SIM000000000" + std::to_string(i + 1));
        EXPECT_EQ(drives[i].at("previous_setup_id"), "No Previous Setup ID");
    }
    EXPECT_EQ(drives[1].at("result"), "failed");
    // The drive's message, on one line.
    EXPECT_EQ(drives[1].at("error"),
              "The QX7 device is connected with the User's password! Please reconnect QX7 using the "
              "Administrator's password.");
    EXPECT_TRUE(drives[1].at("saved_file").is_null());
    EXPECT_EQ(drives[1].at("new_setup_id"), "");
    EXPECT_EQ(drives[2].at("result"), "configured");
    EXPECT_TRUE(drives[2].at("error").is_null());
    EXPECT_TRUE(fs::exists(drives[2].at("saved_file").get<std::string>()));
    EXPECT_FALSE(drives[2].at("new_setup_id").get<std::string>().empty());
    EXPECT_EQ(SettingsOf(1), before);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"QX7SIM0000000001", "QX7SIM0000000003"}));

    // The same as CSV: one row per drive and the totals.
    Write("state.json", R"({"drives": [{}, {"mode": "user"}]})");
    EXPECT_EQ(Run(ApplyArgs("--all --report " + Quoted(Path("report.csv")))).exit_code, 1);
    const std::string csv = Read(Path("report.csv"));
    EXPECT_EQ(csv.rfind("line,serial,previous_setup_id,new_setup_id,result,error,saved_file,started,finished,seconds,"
                        "warnings,verify\r\n",
                        0),
              0u)
        << csv;
    EXPECT_NE(csv.find("\r\n2,QX7SIM0000000002,No Previous Setup ID,,failed,"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\ntotal,,,,drives=2 configured=1 failed=1 skipped=0 interrupted=0,exit_status=1,"),
              std::string::npos)
        << csv;

    // A report that is neither is refused before any drive is touched.
    const std::string state_before = Read(state_);
    EXPECT_EQ(Run(ApplyArgs("--all --report " + Quoted(Path("report.txt")))).exit_code, 2);
    EXPECT_NE(err_.find(".json or .csv"), std::string::npos) << err_;
    EXPECT_EQ(Read(state_), state_before);
}

TEST_F(ApplyBatchTest, ADriveIsRecordedWhenItAcceptsTheWriteNotAfterItsPause) {
    // With the drives' real pauses, the process is killed while both drives
    // are in the 5 s pause after their upload: their result lines, the
    // report, the log and the saved files already name them.
    Write("state.json", R"({"drives": [{}, {}]})");
    auto process = Start("--sim-waits " + ApplyArgs("--all --report " + Quoted(Path("report.json"))));
    for (const char* line : {"line 1: QX7SIM0000000001: written", "line 2: QX7SIM0000000002: written"}) {
        ASSERT_TRUE(process->WaitForOutput(line, 30s)) << process->Output();
    }
    process->Kill();
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

TEST_F(ApplyBatchTest, FoldersThatCannotTakeFilesAreRefusedBeforeAnyDrive) {
    Write("state.json", R"({"drives": [{}]})");
    const std::string before = Read(state_);
    const std::string config = Quoted(ConfigNew(FullForm()));
    const std::string password = Quoted(Write("password.txt", "QX7ADMIN\n"));
    const std::string cases[] = {
#ifndef _WIN32
        "--folder /proc/1",
#endif
        "--folder " + Quoted(Path("out")) + " --report " + Quoted(Path("missing/report.json")),
    };
    for (const std::string& more : cases) {
        SCOPED_TRACE(more);
        EXPECT_EQ(Run("apply " + config + " --password-file " + password + " --all " + more).exit_code, 2) << err_;
        EXPECT_NE(err_.find("Cannot write files into the folder"), std::string::npos) << err_;
        EXPECT_EQ(Read(state_), before);
    }
}

TEST_F(ApplyBatchTest, ADriveFoundButNotListedFailsTheRun) {
    // The second drive fails a command of the scan every time: not listed.
    Write("state.json", R"({"drives": [{}, {"faults": [{"cdb_prefix": "3c0152", "mode": "check", "count": -1}]}]})");
    const std::string before = SettingsOf(1);
    const ProcessRun run = Run(ApplyArgs("--all --report " + Quoted(Path("report.json"))));
    EXPECT_EQ(run.exit_code, 1) << err_;
    EXPECT_NE(run.out.find("not listed: QX7SIM0000000002: FAILED"), std::string::npos) << run.out;
    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    ASSERT_EQ(report.at("drives").size(), 2u);
    EXPECT_EQ(report.at("drives")[0].at("result"), "configured");
    EXPECT_TRUE(report.at("drives")[1].at("line").is_null());
    EXPECT_EQ(report.at("drives")[1].at("serial"), "QX7SIM0000000002");
    EXPECT_EQ(report.at("drives")[1].at("result"), "failed");
    EXPECT_NE(report.at("drives")[1].at("error").get<std::string>().find("Not listed"), std::string::npos);
    EXPECT_EQ(SettingsOf(1), before);
}

TEST_F(ApplyBatchTest, TheStationConfiguresEachDrivePluggedInOnce) {
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

}  // namespace
