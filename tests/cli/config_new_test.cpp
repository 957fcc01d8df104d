// qx7ctl config new and config show: a file holds only what was asked for,
// a refused form leaves no file, and a file's passwords are not shown by
// default.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"

namespace {

using qx7::test::ProcessRun;
using ConfigFiles = qx7::test::Qx7ctlTest;
namespace fs = std::filesystem;

TEST_F(ConfigFiles, ARefusedFormWritesNoFileAndLeavesAnEarlierOneAlone) {
    const struct {
        const char* key;
        int value;
    } cases[] = {
        {"self_destruct_counter", 0}, {"self_destruct_counter", 99}, {"min_password_length", 40},
        {"auto_lock_delay", 5},       {"auto_lock_delay", 500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.value));
        nlohmann::json form = FullForm();
        form[c.key] = c.value;
        fs::remove(Path("new.qx7"));
        ConfigNew(form, "new.qx7");
        EXPECT_FALSE(fs::exists(Path("new.qx7"))) << err_;
        EXPECT_NE(err_.find(std::string("\"") + c.key + "\" is refused"), std::string::npos) << err_;
    }

    const std::string earlier = ConfigNew(FullForm(), "kept.qx7");
    const std::string bytes = Read(earlier);
    ASSERT_EQ(bytes.size(), 320u);
    nlohmann::json form = FullForm();
    form["self_destruct_counter"] = 99;
    ConfigNew(form, "kept.qx7");
    EXPECT_EQ(Read(earlier), bytes);
}

TEST_F(ConfigFiles, ChangingTheSettingsNeedsEverySettingOrABase) {
    // Only the counter given: every other setting would be the form's
    // starting value (read-only on, random keypad on, ...).
    const nlohmann::json partial = {
        {"current_password", "QX7ADMIN"}, {"change_settings", true}, {"self_destruct_counter", 20}};
    ConfigNew(partial, "partial.qx7");
    EXPECT_FALSE(fs::exists(Path("partial.qx7")));
    EXPECT_NE(err_.find("these keys are missing"), std::string::npos) << err_;
    for (const char* key : {"read_only", "random_keypad", "self_destruct,", "extended_options_mask",
                            "centrawatch_admin_mode", "user_language", "auto_lock_delay"}) {
        EXPECT_NE(err_.find(key), std::string::npos) << key << "\n" << err_;
    }
    EXPECT_EQ(err_.find("self_destruct_counter"), std::string::npos) << err_;

    // A user password forces "Change Settings": the same rule applies.
    ConfigNew({{"current_password", "QX7ADMIN"}, {"change_user_password", true}, {"new_user_password", "USERPASS99"}},
              "user.qx7");
    EXPECT_FALSE(fs::exists(Path("user.qx7")));
    EXPECT_NE(err_.find("read_only"), std::string::npos) << err_;

    // Without "Change Settings" the settings are not written and need not
    // be given.
    ConfigNew({{"current_password", "QX7ADMIN"}, {"change_admin_password", true}, {"new_admin_password", "NEWADMIN77"}},
              "admin.qx7");
    EXPECT_TRUE(fs::exists(Path("admin.qx7"))) << err_;
}

TEST_F(ConfigFiles, AUserPasswordMustBeNamed) {
    nlohmann::json form = FullForm();
    form["change_user_password"] = true;
    ConfigNew(form, "placeholder.qx7");
    EXPECT_FALSE(fs::exists(Path("placeholder.qx7")));
    EXPECT_NE(err_.find("new_user_password"), std::string::npos) << err_;

    form["new_user_password"] = "USERPASS99";
    const std::string config = ConfigNew(form, "named.qx7");
    ProcessRun shown = Run("config show --show-passwords --json " + Quoted(config));
    ASSERT_EQ(shown.exit_code, 0) << err_;
    EXPECT_EQ(nlohmann::json::parse(shown.out).at("new_user_password"), "USERPASS99");
}

TEST_F(ConfigFiles, ABaseFileOrADriveGivesWhatTheFormLeavesOut) {
    const nlohmann::json counter_only = {
        {"current_password", "QX7ADMIN"}, {"change_settings", true}, {"self_destruct_counter", 20}};
    const std::string base = ConfigNew(FullForm(), "base.qx7");
    const std::string from_base = ConfigNew(counter_only, "from-base.qx7", "--base " + Quoted(base));
    ProcessRun shown = Run("config show --json " + Quoted(from_base));
    ASSERT_EQ(shown.exit_code, 0) << err_;
    auto settings = nlohmann::json::parse(shown.out).at("settings");
    EXPECT_EQ(settings.at("self_destruct_limit"), 20);  // the form's
    EXPECT_EQ(settings.at("auto_lock_delay"), 150);     // the base's
    EXPECT_EQ(settings.at("block_menu_mask"), 6148);
    EXPECT_FALSE(settings.at("policy").at("read_only").get<bool>());

    // A base that does not change the settings holds only starting values.
    const std::string admin_only = ConfigNew(
        {{"current_password", "QX7ADMIN"}, {"change_admin_password", true}, {"new_admin_password", "NEWADMIN77"}},
        "admin-only.qx7");
    ConfigNew(counter_only, "from-admin-only.qx7", "--base " + Quoted(admin_only));
    EXPECT_FALSE(fs::exists(Path("from-admin-only.qx7")));
    EXPECT_NE(err_.find("does not change the settings"), std::string::npos) << err_;

    // The drive's record: minimum length 12 and auto-lock 45; the window
    // never takes the block-menu mask from a drive, so it must be given.
    const std::string drive_settings =
        "80000000"
        "00000000"
        "0a000000"
        "00000000"
        "0c7e0001"
        "00000000"
        "2d00" +
        std::string(52, '0');
    Write("state.json", R"({"drives": [{"settings_hex": ")" + drive_settings + R"("}]})");
    ConfigNew(counter_only, "from-drive.qx7", "--from-drive 1");
    EXPECT_FALSE(fs::exists(Path("from-drive.qx7")));
    EXPECT_NE(err_.find("missing (give them, or take them from --from-drive N or --base FILE.qx7): "
                        "extended_options_mask\n"),
              std::string::npos)
        << err_;

    nlohmann::json with_mask = counter_only;
    with_mask["extended_options_mask"] = 4;
    const std::string from_drive = ConfigNew(with_mask, "from-drive.qx7", "--from-drive 1");
    shown = Run("config show --json " + Quoted(from_drive));
    ASSERT_EQ(shown.exit_code, 0) << err_;
    settings = nlohmann::json::parse(shown.out).at("settings");
    EXPECT_EQ(settings.at("self_destruct_limit"), 20);
    EXPECT_EQ(settings.at("min_password_length"), 12);
    EXPECT_EQ(settings.at("auto_lock_delay"), 45);
    EXPECT_EQ(settings.at("block_menu_mask"), 4);

    // A drive not unlocked by its administrator is no base.
    Write("state.json", R"({"drives": [{"mode": "user"}]})");
    ConfigNew(with_mask, "user-drive.qx7", "--from-drive 1");
    EXPECT_FALSE(fs::exists(Path("user-drive.qx7")));
    EXPECT_NE(err_.find("not read in administrator mode"), std::string::npos) << err_;
}

TEST_F(ConfigFiles, ShowHidesThePasswordsUnlessAskedTo) {
    nlohmann::json form = FullForm();
    form["change_admin_password"] = true;
    form["new_admin_password"] = "NEWADMIN77";
    form["change_user_password"] = true;
    form["new_user_password"] = "USERPASS99";
    const std::string config = ConfigNew(form);
    ASSERT_TRUE(fs::exists(config)) << err_;

    for (const std::string options : {"", "--json "}) {
        const ProcessRun hidden = Run("config show " + options + Quoted(config));
        ASSERT_EQ(hidden.exit_code, 0) << err_;
        for (const char* secret : {"QX7ADMIN", "NEWADMIN77", "USERPASS99"}) {
            EXPECT_EQ(hidden.out.find(secret), std::string::npos) << secret << "\n" << hidden.out;
        }
        EXPECT_NE(hidden.out.find("(hidden)"), std::string::npos) << hidden.out;
    }
    const ProcessRun shown = Run("config show --show-passwords --json " + Quoted(config));
    const auto file = nlohmann::json::parse(shown.out);
    EXPECT_EQ(file.at("current_admin_password"), "QX7ADMIN");
    EXPECT_EQ(file.at("new_admin_password"), "NEWADMIN77");
    EXPECT_EQ(file.at("new_user_password"), "USERPASS99");
}

}  // namespace
