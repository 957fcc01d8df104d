// qx7ctl's --drive N, --from-drive N and the "line" of JSON and reports: all
// are the number `list` prints, which skips a drive found but not listed.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "sim/sim_drive.h"
#include "strings/hex.h"

namespace {

using qx7::test::ProcessRun;

class DriveNumberTest : public qx7::test::Qx7ctlTest {
protected:
    // Four drives; the second fails its state-block read during the scan,
    // so the list prints lines 1, 3 and 4.
    void SetUp() override {
        Qx7ctlTest::SetUp();
        Write("state.json", R"({"drives":[{},{"faults":[{"cdb_prefix":"3c0152","mode":"check","count":-1}]},{},{}]})");
    }
    bool Written(std::size_t index) const {
        const nlohmann::json drive = State().at("drives").at(index);
        return drive.contains("settings_hex") &&
               drive["settings_hex"] != qx7::strings::ToHex(qx7::sim::DefaultDrive(index).settings);
    }
};

TEST_F(DriveNumberTest, EveryCommandNamesADriveByTheNumberTheListPrints) {
    const ProcessRun list = Run("list");
    ASSERT_EQ(list.exit_code, 0) << err_;
    EXPECT_NE(list.out.find(" 3: "), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find(" 2: "), std::string::npos) << list.out;

    const nlohmann::json listed = nlohmann::json::parse(Run("list --json").out).at("drives");
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[1].at("line"), 3);
    EXPECT_EQ(listed[1].at("serial"), "QX7SIM0000000003");

    const ProcessRun show = Run("show --drive 4 --json");
    ASSERT_EQ(show.exit_code, 0) << err_;
    EXPECT_EQ(nlohmann::json::parse(show.out).at("serial"), "QX7SIM0000000004");

    const std::string config = ConfigNew(FullForm(), "site.qx7", "--from-drive 3");
    ASSERT_TRUE(std::filesystem::exists(config)) << err_;

    const ProcessRun apply =
        Run("apply " + Quoted(config) + " --drive 3 --password-file " + Quoted(Write("pw.txt", "QX7ADMIN\n")) +
            " --folder " + Quoted(Path("out")) + " --report " + Quoted(Path("report.json")));
    EXPECT_EQ(apply.exit_code, 0) << apply.out << err_;
    EXPECT_EQ(apply.out.rfind("line 3: QX7SIM0000000003: written", 0), 0u) << apply.out;
    EXPECT_NE(apply.out.find("\nline 3: QX7SIM0000000003: configured (verified"), std::string::npos) << apply.out;
    EXPECT_TRUE(Written(2));
    EXPECT_FALSE(Written(3));
    EXPECT_FALSE(Written(0));
    const nlohmann::json report = nlohmann::json::parse(Read(Path("report.json")));
    EXPECT_EQ(report.at("drives").at(0).at("line"), 3);
}

TEST_F(DriveNumberTest, ANumberTheListDoesNotPrintIsAUsageErrorNamingTheListedOnes) {
    const std::string config = ConfigNew(FullForm());
    for (const std::string& command : {std::string("show --drive 2"),
                                       "apply " + Quoted(config) + " --drive 2 --password-file " +
                                           Quoted(Write("pw.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")),
                                       std::string("show --drive 5"),
                                       "config new " + Quoted(Path("x.qx7")) + " --from-drive 2 --form " +
                                           Quoted(Write("f.json", FullForm().dump()))}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(Run(command).exit_code, 2);
        EXPECT_NE(err_.find("the listed lines are: 1, 3, 4."), std::string::npos) << err_;
    }
    for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(Written(i)) << i;
}

}  // namespace
