// Two drives with the same serial number in one run: each keeps its own
// automatically saved file, and --serial cannot pick one of them.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "cli/qx7ctl_fixture.h"

namespace {

using qx7::test::ProcessRun;
namespace fs = std::filesystem;

class ApplySameSerial : public qx7::test::Qx7ctlTest {
protected:
    void SetUp() override {
        Qx7ctlTest::SetUp();
        // Drives 1 and 3 report the serial number of drive 1; drive 2 its own.
        const std::string twin = R"({"device_id": "51583753494d30303030303030303031"})";
        Write("state.json", R"({"drives": [)" + twin + ", {}, " + twin + "]}");
    }
    std::string ApplyArgs(const std::string& more) {
        return "apply " + Quoted(ConfigNew(FullForm())) + " --password-file " +
               Quoted(Write("password.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")) + " " + more;
    }
};

TEST_F(ApplySameSerial, TheSecondDrivesSavedFileDoesNotReplaceTheFirsts) {
    for (const char* jobs : {"1", "3"}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(Path("out"));
        const ProcessRun run =
            Run(ApplyArgs(std::string("--all --jobs ") + jobs + " --report " + Quoted(Path("report.json"))));
        ASSERT_EQ(run.exit_code, 0) << err_;
        const nlohmann::json drives = nlohmann::json::parse(Read(Path("report.json"))).at("drives");
        ASSERT_EQ(drives.size(), 3u);
        std::set<std::string> saved;
        for (const auto& drive : drives) {
            const std::string file = drive.at("saved_file").get<std::string>();
            EXPECT_TRUE(fs::exists(file)) << file;
            saved.insert(fs::path(file).filename().string());
        }
        EXPECT_EQ(saved,
                  (std::set<std::string>{"QX7SIM0000000001.qx7", "QX7SIM0000000001-2.qx7", "QX7SIM0000000002.qx7"}));
    }
}

TEST_F(ApplySameSerial, ASerialTwoListedDrivesHaveIsARefusedCommandLine) {
    const std::string before = Read(state_);
    for (const std::string& command :
         {ApplyArgs("--serial QX7SIM0000000001"), std::string("show --serial QX7SIM0000000001")}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Run(command).exit_code, 2) << err_;
        EXPECT_NE(err_.find("More than one listed drive has the serial number QX7SIM0000000001 (lines 1, 3)"),
                  std::string::npos)
            << err_;
    }
    EXPECT_FALSE(fs::exists(Path("out")) && !fs::is_empty(Path("out")));
    EXPECT_EQ(Read(state_), before);
    // The serial only one drive has still chooses it.
    EXPECT_EQ(Run("show --serial QX7SIM0000000002").exit_code, 0) << err_;
}

}  // namespace
