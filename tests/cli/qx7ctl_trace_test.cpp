// qx7ctl --trace and --trace-full, run as a separate process against a
// simulator state file: what a shared trace may show of a drive's secrets.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "protocol/constants.h"
#include "sim/sim_drive.h"
#include "storage/config_file.h"
#include "support/process_run.h"
#include "support/temp_folder.h"

namespace {

using qx7::test::ProcessRun;

class Qx7ctlTrace : public ::testing::Test {
protected:
    void SetUp() override { state_ = (dir_ / "state.json").string(); }

    // Runs qx7ctl with `arguments` (already shell-quoted); standard error is
    // kept in err_.
    ProcessRun Run(const std::string& arguments) {
        const std::string err_file = (dir_ / "stderr.txt").string();
        ProcessRun run =
            qx7::test::RunShellCommand(std::string("'") + QX7CTL_PATH + "' " + arguments + " 2>'" + err_file + "'");
        std::ifstream in(err_file);
        err_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return run;
    }

    // The trace line of the first command whose block starts with `cdb_prefix`.
    std::string LineOf(const std::string& cdb_prefix) const {
        const std::size_t at = err_.find(" cdb=" + cdb_prefix);
        if (at == std::string::npos) return {};
        return err_.substr(at, err_.find('\n', at) - at);
    }

    // A configuration file that changes only the administrator password.
    std::string PasswordChangeFile() const {
        qx7::storage::ConfigFilePayload payload;
        payload.change_mask = qx7::protocol::kChangeAdminPassword;
        std::copy_n("QX7ADMIN", 8, payload.current_admin_password.begin());
        std::copy_n("SECRET-ADMIN9", 13, payload.new_admin_password.begin());
        payload.new_admin_password_length = 13;
        const auto settings = qx7::sim::DefaultDrive(0).settings;
        payload.settings = qx7::protocol::SettingsRecord::Decode(settings);
        const std::string path = (dir_ / "password.qx7").string();
        EXPECT_EQ(qx7::storage::SaveConfigFile(path, payload), qx7::storage::ConfigFileError::None);
        return path;
    }

    qx7::test::TempFolder temp_{"qx7ctl-trace"};
    const std::filesystem::path& dir_ = temp_.path();
    std::string state_;
    std::string err_;
};

TEST_F(Qx7ctlTrace, TraceLeavesOutTheChannelKeyAndTheSettingsWrite) {
    { std::ofstream(dir_ / "password.txt") << "QX7ADMIN\n"; }
    const std::string config = PasswordChangeFile();
    const ProcessRun run = Run("--sim '" + state_ + "' --trace apply '" + config + "' --password-file '" +
                               (dir_ / "password.txt").string() + "' --no-auto-save --no-log");
    ASSERT_EQ(run.exit_code, 0) << run.out << err_;

    EXPECT_TRUE(std::regex_search(LineOf("3c01ce7e"), std::regex(" xfer=32 data=<redacted:32>$")))
        << LineOf("3c01ce7e");
    EXPECT_TRUE(std::regex_search(LineOf("3b01cd31"), std::regex(" len=288 .* data=<redacted:288>$")))
        << LineOf("3b01cd31");
    // The pre-command of the write and the other answers are shown whole.
    EXPECT_NE(LineOf("3b0110cd"), "");
    EXPECT_TRUE(std::regex_search(LineOf("3c01ce7d"), std::regex(" data=[0-9a-f]{32}$"))) << LineOf("3c01ce7d");
    EXPECT_EQ(err_.find("warning"), std::string::npos) << err_;
}

TEST_F(Qx7ctlTrace, TraceFullPrintsEverythingAfterOneWarning) {
    const ProcessRun run = Run("--sim '" + state_ + "' --trace-full show");
    ASSERT_EQ(run.exit_code, 0) << err_;
    EXPECT_TRUE(std::regex_search(LineOf("3c01ce7e"), std::regex(" xfer=32 data=[0-9a-f]{64}$"))) << LineOf("3c01ce7e");
    EXPECT_EQ(err_.find("redacted"), std::string::npos);
    // One warning, before the first traced command.
    const std::size_t warning = err_.find("warning: --trace-full");
    ASSERT_NE(warning, std::string::npos) << err_;
    EXPECT_EQ(err_.find("warning", warning + 1), std::string::npos);
    EXPECT_LT(warning, err_.find("scsi dev="));
}

}  // namespace
