// A file that asks for no change is not "configured": config new refuses
// to write it and apply refuses it before any drive is touched.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "protocol/constants.h"
#include "protocol/records.h"
#include "sim/sim_drive.h"
#include "storage/config_file.h"

namespace {

using qx7::test::ProcessRun;
using NoChange = qx7::test::Qx7ctlTest;
namespace fs = std::filesystem;

TEST_F(NoChange, ConfigNewRefusesSettingsItWouldNotSendAndAFormThatChangesNothing) {
    nlohmann::json settings_only = FullForm();
    settings_only.erase("change_settings");
    nlohmann::json unticked = FullForm();
    unticked["change_settings"] = false;
    unticked["change_admin_password"] = true;
    unticked["new_admin_password"] = "NEWADMIN77";
    const struct {
        const char* name;
        nlohmann::json form;
        const char* reason;
    } cases[] = {
        {"settings without change_settings", settings_only, "without \"change_settings\": true"},
        {"settings beside a password change", unticked, "the form sets self_destruct, "},
        {"nothing at all", {{"current_password", "QX7ADMIN"}}, "would change nothing on a drive"},
        {"every box unticked",
         {{"current_password", "QX7ADMIN"}, {"change_settings", false}, {"change_admin_password", false}},
         "would change nothing on a drive"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(Path("x.qx7"));
        ConfigNew(c.form, "x.qx7");
        EXPECT_FALSE(fs::exists(Path("x.qx7")));
        EXPECT_NE(err_.find(c.reason), std::string::npos) << err_;
    }
    // A password change alone is a change.
    const nlohmann::json password_only = {
        {"current_password", "QX7ADMIN"}, {"change_admin_password", true}, {"new_admin_password", "NEWADMIN77"}};
    EXPECT_TRUE(fs::exists(ConfigNew(password_only, "pw.qx7"))) << err_;
}

TEST_F(NoChange, ApplyRefusesAFileWithAnEmptyChangeMaskBeforeTouchingADrive) {
    qx7::storage::ConfigFilePayload payload;
    payload.change_mask = 0;
    payload.settings = qx7::protocol::SettingsRecord::Decode(qx7::sim::DefaultDrive(0).settings);
    const std::string config = Path("empty.qx7");
    ASSERT_EQ(qx7::storage::SaveConfigFile(config, payload), qx7::storage::ConfigFileError::None);

    const ProcessRun run = Run("apply " + Quoted(config) + " --all --password-file " +
                               Quoted(Write("pw.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")));
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(err_.find("changes nothing on a drive"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(state_));  // the simulated drives were not even opened
    EXPECT_FALSE(fs::exists(Path("out")));
}

}  // namespace
