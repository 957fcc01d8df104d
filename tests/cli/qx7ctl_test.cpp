// qx7ctl run as a separate process against a simulator state file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"

namespace {

using qx7::test::ProcessRun;
using Qx7ctl = qx7::test::Qx7ctlTest;

TEST_F(Qx7ctl, ShowJsonReadsTheSimulatedDriveEndToEnd) {
    const ProcessRun run = Run("--trace show --json");
    ASSERT_EQ(run.exit_code, 0) << err_;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json.at("serial").get<std::string>().size(), 16u);
    EXPECT_TRUE(json.at("admin_mode").get<bool>());
    EXPECT_TRUE(json.contains("rfid_supported"));
    EXPECT_TRUE(json.contains("current_setup_id"));
    EXPECT_EQ(json.at("settings_hex").get<std::string>().size(), 104u);
    EXPECT_TRUE(json.at("settings").contains("min_password_length"));
    // The state file was created, and every command was traced with the
    // device it went to.
    EXPECT_TRUE(std::filesystem::exists(state_));
    EXPECT_NE(err_.find("scsi dev=/dev/qx7sim/1/cdrom cdb=3c01ce30a0000000"), std::string::npos) << err_;
    EXPECT_NE(err_.find(" cdb=3c01ce7e20"), std::string::npos) << err_;
}

TEST_F(Qx7ctl, ListAndShowWithoutDrives) {
    Write("state.json", R"({"drives": [{"plugged": false}]})");
    ProcessRun list = Run("list");
    EXPECT_EQ(list.exit_code, 0);
    EXPECT_EQ(list.out, "No Drives Detected\n");
    ProcessRun show = Run("show");
    EXPECT_NE(show.exit_code, 0);
    EXPECT_NE(err_.find("No Drives Detected"), std::string::npos);
}

TEST_F(Qx7ctl, RefusesAMalformedStateFileAndLeavesItAlone) {
    const std::string malformed = R"({"drives": [{"device_id": "xyz"}]})";
    Write("state.json", malformed);
    const ProcessRun run = Run("list");
    EXPECT_NE(run.exit_code, 0);
    EXPECT_NE(err_.find("device_id"), std::string::npos) << err_;
    EXPECT_EQ(Read(state_), malformed);
}

TEST_F(Qx7ctl, UserModeDriveShowsItsSettingsAndTheMessage) {
    Write("state.json", R"({"drives": [{"mode": "user"}]})");
    const ProcessRun run = Run("show --json");
    EXPECT_EQ(run.exit_code, 0) << err_;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_FALSE(json.at("admin_mode").get<bool>());
    EXPECT_TRUE(json.contains("settings"));
    EXPECT_NE(err_.find("connected with the User's password"), std::string::npos) << err_;
}

TEST_F(Qx7ctl, ConfigNewThenApplyConfiguresEveryDriveSavesAndLogs) {
    Write("state.json", R"({"drives": [{}, {}]})");
    const std::string password = Write("password.txt", "QX7ADMIN\n");
    const std::string config = ConfigNew(FullForm());
    ASSERT_TRUE(std::filesystem::exists(config)) << err_;
    EXPECT_EQ(std::filesystem::file_size(config), 320u);

    ProcessRun shown = Run("config show " + Quoted(config) + " --json");
    ASSERT_EQ(shown.exit_code, 0) << err_;
    const auto file = nlohmann::json::parse(shown.out);
    EXPECT_EQ(file.at("settings").at("self_destruct_limit"), 30);
    EXPECT_EQ(file.at("settings").at("block_menu_mask"), 6148);

    const std::string out = Path("out");
    ProcessRun applied =
        Run("apply " + Quoted(config) + " --all --password-file " + Quoted(password) + " --folder " + Quoted(out));
    ASSERT_EQ(applied.exit_code, 0) << applied.out << err_;
    EXPECT_NE(applied.out.find("line 1: QX7SIM0000000001: configured"), std::string::npos) << applied.out;
    EXPECT_NE(applied.out.find("line 2: QX7SIM0000000002: configured"), std::string::npos) << applied.out;

    // The drives hold the new settings: counter 30 (0x1e) at byte 8, minimum
    // length 10 at byte 16, auto-lock 150 (0x96) at byte 24, mask 0x1804 at 36.
    const auto state = State();  // the range below must not outlive it
    for (const auto& drive : state.at("drives")) {
        const std::string settings = drive.at("settings_hex");
        EXPECT_EQ(settings.substr(16, 4), "1e00") << settings;
        EXPECT_EQ(settings.substr(32, 2), "0a") << settings;
        EXPECT_EQ(settings.substr(48, 4), "9600") << settings;
        EXPECT_EQ(settings.substr(72, 8), "04180000") << settings;
    }
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(out) / "QX7SIM0000000001.qx7"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(out) / "QX7SIM0000000002.qx7"));
    int logs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
        if (entry.path().extension() != ".txt") continue;
        ++logs;
        EXPECT_EQ(Read(entry.path().string()), "QX7SIM0000000001\r\nQX7SIM0000000002\r\n");
    }
    EXPECT_EQ(logs, 1);
}

TEST_F(Qx7ctl, RefusedFormsAndWrongPasswordsFail) {
    // Strong passwords are enabled by the settings the file sends.
    nlohmann::json weak = FullForm();
    weak["change_admin_password"] = true;
    weak["new_admin_password"] = "1234567890";
    const std::string refused = ConfigNew(weak, "weak.qx7");
    EXPECT_NE(err_.find("Please use a strong password."), std::string::npos) << err_;
    EXPECT_FALSE(std::filesystem::exists(refused));

    const std::string config = ConfigNew(FullForm(), "ok.qx7");
    ASSERT_TRUE(std::filesystem::exists(config)) << err_;
    ProcessRun wrong = Run("apply " + Quoted(config) + " --password-file " + Quoted(Write("wrong.txt", "NOTTHEONE\n")) +
                           " --folder " + Quoted(Path("out")));
    EXPECT_NE(wrong.exit_code, 0);
    EXPECT_NE(wrong.out.find("FAILED"), std::string::npos);
    EXPECT_NE(err_.find("Incorrect current admin password is entered."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out" / "QX7SIM0000000001.qx7"));
}

}  // namespace
