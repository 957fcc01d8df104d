// RFID tags in a policy file: config new writes only the tags a file
// carries to a drive, the administrator tags.

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/qx7ctl_fixture.h"

namespace {

using PolicyTags = qx7::test::Qx7ctlTest;
namespace fs = std::filesystem;

TEST_F(PolicyTags, ATagNotMarkedAsAnAdministratorTagIsRefusedWithTheReason) {
    nlohmann::json base = FullForm();
    base["change_rfid_tag_data"] = true;
    base["rfid"] = "enable";
    const struct {
        const char* name;
        nlohmann::json tags;
        nlohmann::json admin;
        const char* refused_key;  // empty: written
    } cases[] = {
        {"every tag an admin tag", {"04A1B2", nullptr, "0102"}, {1, 3}, ""},
        {"slot 2 not marked", {"04A1B2", "0102"}, {1}, "tags[1]"},
        {"no admin tag at all", {"04A1B2"}, nullptr, "tags[0]"},
        {"slot 4 cannot be an admin tag", {"04A1B2", nullptr, nullptr, "0A0B"}, {1}, "tags[3]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nlohmann::json form = base;
        form["tags"] = c.tags;
        if (!c.admin.is_null()) form["admin_tags"] = c.admin;
        fs::remove(Path("t.qx7"));
        ConfigNew(form, "t.qx7");
        if (*c.refused_key) {
            EXPECT_FALSE(fs::exists(Path("t.qx7")));
            EXPECT_NE(err_.find(std::string("\"") + c.refused_key + "\""), std::string::npos) << err_;
            EXPECT_NE(err_.find("would be dropped on every drive"), std::string::npos) << err_;
        } else {
            EXPECT_TRUE(fs::exists(Path("t.qx7"))) << err_;
        }
    }
}

}  // namespace
