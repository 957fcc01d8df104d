// qx7ctl run as a separate process against a simulator state file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "support/process_run.h"

namespace {

using qx7::test::ProcessRun;

// Runs qx7ctl with `arguments` (already shell-quoted), standard error
// appended to `err_file`.
ProcessRun RunQx7ctl(const std::string& arguments, const std::string& err_file) {
    return qx7::test::RunShellCommand(std::string("'") + QX7CTL_PATH + "' " + arguments + " 2>>'" +
                                      err_file + "'");
}

class Qx7ctl : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("qx7ctl-test-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        state_ = (dir_ / "state.json").string();
        err_ = (dir_ / "stderr.txt").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Stderr() const {
        std::ifstream in(err_);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
    std::string state_;
    std::string err_;
};

TEST_F(Qx7ctl, ShowJsonReadsTheSimulatedDriveEndToEnd) {
    const ProcessRun run = RunQx7ctl("--sim '" + state_ + "' --trace show --json", err_);
    ASSERT_EQ(run.exit_code, 0) << Stderr();
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json.at("serial").get<std::string>().size(), 16u);
    EXPECT_TRUE(json.at("admin_mode").get<bool>());
    EXPECT_TRUE(json.contains("rfid_supported"));
    EXPECT_TRUE(json.contains("current_setup_id"));
    EXPECT_EQ(json.at("settings_hex").get<std::string>().size(), 104u);
    EXPECT_TRUE(json.at("settings").contains("min_password_length"));
    // The state file was created, and every command was traced.
    EXPECT_TRUE(std::filesystem::exists(state_));
    const std::string trace = Stderr();
    EXPECT_NE(trace.find("scsi cdb=3c01ce30a0000000"), std::string::npos) << trace;
    EXPECT_NE(trace.find("scsi cdb=3c01ce7e20"), std::string::npos) << trace;
}

TEST_F(Qx7ctl, ListAndShowWithoutDrives) {
    {
        std::ofstream state(state_);
        state << R"({"drives": [{"plugged": false}]})";
    }
    ProcessRun list = RunQx7ctl("--sim '" + state_ + "' list", err_);
    EXPECT_EQ(list.exit_code, 0);
    EXPECT_EQ(list.out, "No Drives Detected\n");
    ProcessRun show = RunQx7ctl("--sim '" + state_ + "' show", err_);
    EXPECT_NE(show.exit_code, 0);
    EXPECT_NE(Stderr().find("No Drives Detected"), std::string::npos);
}

TEST_F(Qx7ctl, RefusesAMalformedStateFileAndLeavesItAlone) {
    const std::string malformed = R"({"drives": [{"device_id": "xyz"}]})";
    {
        std::ofstream state(state_);
        state << malformed;
    }
    const ProcessRun run = RunQx7ctl("--sim '" + state_ + "' list", err_);
    EXPECT_NE(run.exit_code, 0);
    EXPECT_NE(Stderr().find("device_id"), std::string::npos) << Stderr();
    std::ifstream in(state_);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), malformed);
}

TEST_F(Qx7ctl, UserModeDriveShowsItsSettingsAndTheMessage) {
    {
        std::ofstream state(state_);
        state << R"({"drives": [{"mode": "user"}]})";
    }
    const ProcessRun run = RunQx7ctl("--sim '" + state_ + "' show --json", err_);
    EXPECT_EQ(run.exit_code, 0) << Stderr();
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_FALSE(json.at("admin_mode").get<bool>());
    EXPECT_TRUE(json.contains("settings"));
    EXPECT_NE(Stderr().find("connected with the User's password"), std::string::npos) << Stderr();
}

TEST_F(Qx7ctl, ConfigNewThenApplyConfiguresEveryDriveSavesAndLogs) {
    {
        std::ofstream state(state_);
        state << R"({"drives": [{}, {}]})";
        std::ofstream form(dir_ / "form.json");
        form << R"({"current_password": "SOMETHING", "change_settings": true,
                    "self_destruct": "enable", "self_destruct_counter": 30,
                    "strong_password": "enable", "min_password_length": 10,
                    "auto_lock_delay": 150, "extended_options_mask": 6148})";
        std::ofstream password(dir_ / "password.txt");
        password << "QX7ADMIN\n";
    }
    const std::string config = (dir_ / "site.qx7").string();
    const std::string out = (dir_ / "out").string();
    ProcessRun made = RunQx7ctl("config new '" + config + "' --form '" + (dir_ / "form.json").string() + "'", err_);
    ASSERT_EQ(made.exit_code, 0) << Stderr();
    EXPECT_EQ(std::filesystem::file_size(config), 320u);

    ProcessRun shown = RunQx7ctl("config show '" + config + "' --json", err_);
    ASSERT_EQ(shown.exit_code, 0) << Stderr();
    const auto file = nlohmann::json::parse(shown.out);
    EXPECT_EQ(file.at("settings").at("self_destruct_limit"), 30);
    EXPECT_EQ(file.at("settings").at("block_menu_mask"), 6148);

    ProcessRun applied = RunQx7ctl("--sim '" + state_ + "' apply '" + config + "' --all --password-file '" +
                                       (dir_ / "password.txt").string() + "' --folder '" + out + "'",
                                   err_);
    ASSERT_EQ(applied.exit_code, 0) << applied.out << Stderr();
    EXPECT_NE(applied.out.find("line 1: QX7SIM0000000001: configured"), std::string::npos) << applied.out;
    EXPECT_NE(applied.out.find("line 2: QX7SIM0000000002: configured"), std::string::npos) << applied.out;

    // The drives hold the new settings: counter 30 (0x1e) at byte 8, minimum
    // length 10 at byte 16, auto-lock 150 (0x96) at byte 24, mask 0x1804 at 36.
    std::ifstream state_in(state_);
    const auto state = nlohmann::json::parse(state_in);
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
        std::ifstream log(entry.path(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}),
                  "QX7SIM0000000001\r\nQX7SIM0000000002\r\n");
    }
    EXPECT_EQ(logs, 1);
}

TEST_F(Qx7ctl, RefusedFormsAndWrongPasswordsFail) {
    {
        std::ofstream form(dir_ / "weak.json");
        form << R"({"current_password": "X", "change_admin_password": true,
                    "new_admin_password": "12345678", "strong_password": "enable"})";
        std::ofstream password(dir_ / "wrong.txt");
        password << "NOTTHEONE\n";
        std::ofstream ok(dir_ / "ok.json");
        ok << R"({"current_password": "X", "change_settings": true})";
    }
    ProcessRun weak = RunQx7ctl("config new '" + (dir_ / "weak.qx7").string() + "' --form '" +
                                    (dir_ / "weak.json").string() + "'",
                                err_);
    EXPECT_NE(weak.exit_code, 0);
    EXPECT_NE(Stderr().find("Please use a strong password."), std::string::npos) << Stderr();
    EXPECT_FALSE(std::filesystem::exists(dir_ / "weak.qx7"));

    ASSERT_EQ(RunQx7ctl("config new '" + (dir_ / "ok.qx7").string() + "' --form '" +
                            (dir_ / "ok.json").string() + "'",
                        err_)
                  .exit_code,
              0);
    ProcessRun refused = RunQx7ctl("--sim '" + state_ + "' apply '" + (dir_ / "ok.qx7").string() +
                                       "' --password-file '" + (dir_ / "wrong.txt").string() +
                                       "' --folder '" + (dir_ / "out").string() + "'",
                                   err_);
    EXPECT_NE(refused.exit_code, 0);
    EXPECT_NE(refused.out.find("FAILED"), std::string::npos);
    EXPECT_NE(Stderr().find("Incorrect current admin password is entered."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out" / "QX7SIM0000000001.qx7"));
}

}  // namespace
