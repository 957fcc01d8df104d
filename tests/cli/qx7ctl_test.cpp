// qx7ctl run as a separate process against a simulator state file.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

namespace {

struct ProcessRun {
    int exit_code = -1;
    std::string out;
};

// Runs qx7ctl with `arguments` (already shell-quoted), standard error
// appended to `err_file`.
ProcessRun RunQx7ctl(const std::string& arguments, const std::string& err_file) {
    const std::string command = std::string("'") + QX7CTL_PATH + "' " + arguments + " 2>>'" + err_file + "'";
    ProcessRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
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

}  // namespace
