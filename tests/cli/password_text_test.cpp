// Passwords given to qx7ctl are taken as the window's password fields would
// hold them: upper case, at most 32 characters, only characters a field and
// the drive's byte form can keep.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"
#include "editor/password_policy.h"

namespace {

using qx7::test::ProcessRun;
using PasswordText = qx7::test::Qx7ctlTest;
namespace fs = std::filesystem;

TEST(PasswordFieldText, UpperCasesAndRefusesWhatAFieldCannotHold) {
    const struct {
        std::u16string typed;
        std::u16string held;  // empty: refused
        const char* problem;
    } cases[] = {
        {u"Newadmin7x", u"NEWADMIN7X", ""},
        {u"qx7-admin.é", u"QX7-ADMIN.\u00C9", ""},
        {std::u16string(32, u'a'), std::u16string(32, u'A'), ""},
        {std::u16string(33, u'A'), u"", "more than 32 characters"},
        {u"pass\u0416word", u"", "U+0416"},
        {u"pass\u00FFword", u"", "U+00FF"},
        {u"pass\tword", u"", "U+0009"},
        {u"pass\u0085word", u"", "U+0085"},
    };
    for (const auto& c : cases) {
        const qx7::editor::PasswordFieldText field = qx7::editor::AsPasswordFieldText(c.typed);
        EXPECT_EQ(field.text, c.held) << c.problem;
        if (*c.problem) {
            EXPECT_NE(field.problem.find(c.problem), std::string::npos) << field.problem;
        } else {
            EXPECT_EQ(field.problem, "");
        }
    }
}

TEST_F(PasswordText, ConfigNewStoresEveryPasswordKeyUpperCasedAndRefusesOneNoFieldHolds) {
    nlohmann::json form = FullForm();
    form["current_password"] = "qx7admin";
    form["change_admin_password"] = true;
    form["new_admin_password"] = "Newadmin7x";
    form["change_user_password"] = true;
    form["new_user_password"] = "userpass99";
    form["confirm_user_password"] = "UserPass99";
    const std::string config = ConfigNew(form);
    ASSERT_TRUE(fs::exists(config)) << err_;
    const auto file = nlohmann::json::parse(Run("config show --show-passwords --json " + Quoted(config)).out);
    EXPECT_EQ(file.at("current_admin_password"), "QX7ADMIN");
    EXPECT_EQ(file.at("new_admin_password"), "NEWADMIN7X");
    EXPECT_EQ(file.at("new_user_password"), "USERPASS99");

    for (const char* key : {"current_password", "new_admin_password", "confirm_admin_password", "new_user_password",
                            "confirm_user_password"}) {
        SCOPED_TRACE(key);
        nlohmann::json bad = form;
        bad[key] = "PASS\u0416WORD7";
        fs::remove(Path("bad.qx7"));
        ConfigNew(bad, "bad.qx7");
        EXPECT_FALSE(fs::exists(Path("bad.qx7")));
        EXPECT_NE(err_.find(std::string("\"") + key + "\""), std::string::npos) << err_;
        EXPECT_NE(err_.find("U+0416"), std::string::npos) << err_;
    }
}

TEST_F(PasswordText, APasswordFileIsTakenAsTheFieldWouldHoldIt) {
    const std::string config = ConfigNew(FullForm());
    ASSERT_TRUE(fs::exists(config)) << err_;
    const std::string apply = "apply " + Quoted(config) + " --folder " + Quoted(Path("out")) + " --password-file ";
    ProcessRun run = Run(apply + Quoted(Write("lower.txt", "qx7admin\n")));
    EXPECT_EQ(run.exit_code, 0) << run.out << err_;
    EXPECT_NE(run.out.find(": configured"), std::string::npos) << run.out;

    run = Run(apply + Quoted(Write("long.txt", std::string(33, 'A') + "\n")));
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(err_.find("more than 32 characters"), std::string::npos) << err_;
}

}  // namespace
