// qx7ctl apply with settings a drive cannot take: a menu language the drive
// does not offer, RFID on a drive without a reader. That drive fails with
// the reason and keeps its settings; the other drives of the run go on.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "sim/sim_drive.h"
#include "strings/hex.h"

namespace {

using qx7::test::ProcessRun;

class ApplyUnhonoured : public qx7::test::Qx7ctlTest {
protected:
    nlohmann::json Report(const nlohmann::json& form) {
        const ProcessRun run = Run("--trace apply " + Quoted(ConfigNew(form)) + " --password-file " +
                                   Quoted(Write("password.txt", "QX7ADMIN\n")) + " --folder " + Quoted(Path("out")) +
                                   " --all --report " + Quoted(Path("report.json")));
        EXPECT_EQ(run.exit_code, 1) << err_;
        return nlohmann::json::parse(Read(Path("report.json"))).at("drives");
    }
    std::string SettingsOf(std::size_t drive) {
        return State().at("drives").at(drive).value("settings_hex",
                                                    qx7::strings::ToHex(qx7::sim::DefaultDrive(drive).settings));
    }
};

TEST_F(ApplyUnhonoured, ADriveThatCannotTakeASettingFailsAloneAndIsNotWritten) {
    const struct {
        const char* name;
        nlohmann::json changes;
        const char* reason;
    } cases[] = {
        {"Korean on a four-language drive",
         {{"admin_language", "Korean"}},
         "the drive does not offer the menu language Korean"},
        {"Japanese user language on a four-language drive",
         {{"user_language", "Japanese"}},
         "the drive does not offer the menu language Japanese"},
        {"RFID on a drive without a reader",
         {{"rfid", "enable"}, {"change_rfid_tag_data", true}, {"tags", {"04A1B2"}}, {"admin_tags", {1}}},
         "the drive has no RFID reader for the file's RFID settings"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Drive 1 offers four languages, drive 2 has no RFID reader, drive 3 takes everything.
        Write("state.json", R"({"drives": [{"languages": 4, "rfid_reader": true}, {"rfid_reader": false}, {}]})");
        const bool language = c.changes.contains("admin_language") || c.changes.contains("user_language");
        const std::size_t refused = language ? 0 : 1;
        const std::string before = SettingsOf(refused);
        nlohmann::json form = FullForm();
        form.update(c.changes);
        const nlohmann::json drives = Report(form);
        ASSERT_EQ(drives.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            if (i == refused) {
                EXPECT_EQ(drives[i].at("result"), "failed");
                EXPECT_EQ(drives[i].at("error"), c.reason);
                EXPECT_TRUE(drives[i].at("saved_file").is_null());
            } else {
                EXPECT_EQ(drives[i].at("result"), "configured") << drives[i].dump();
            }
        }
        EXPECT_EQ(SettingsOf(refused), before);
        // The trace shows the settings write went to the other two drives only.
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string write = "dev=/dev/qx7sim/" + std::to_string(i + 1) + "/cdrom cdb=3b01cd31";
            EXPECT_EQ(err_.find(write) == std::string::npos, i == refused) << write << "\n" << err_;
        }
    }
}

}  // namespace
