// qx7ctl check-update run as a separate process against a local update
// folder: a failed check is reported as a failure, never as up to date.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "support/process_run.h"
#include "updater/local_http_server.h"

namespace {

using qx7::updater::test_support::LocalHttpServer;

qx7::test::ProcessRun CheckUpdate(const LocalHttpServer& server, const std::string& more = "") {
    // No proxy from the environment may stand between qx7ctl and the
    // loopback server; the texts are the English ones whatever the locale.
    return qx7::test::RunShellCommand(std::string("env -u http_proxy -u HTTP_PROXY -u all_proxy -u ALL_PROXY '") +
                                      QX7CTL_PATH + "' --lang en check-update --url '" + server.FolderUrl() + "' " +
                                      more + " 2>/dev/null");
}

TEST(Qx7ctlCheckUpdate, ReportsEachOutcomeWithItsResultAndStatus) {
    const struct {
        const char* name;
        qx7::updater::test_support::LocalResponse manifest;
        const char* result;
        int exit_code;
    } cases[] = {
        {"newer, with a line end", {"99.0\n"}, "Result: UpdateAvailable (0)", 0},
        {"the same", {QX7_VERSION_TEXT}, "Result: UpToDate (6)", 0},
        {"another server's not-found page",
         {"<html>Page not found</html>", "HTTP/1.0 404 Not Found"},
         "Result: ManifestMissing (3)",
         1},
        {"a server error", {"99.0", "HTTP/1.0 503 Service Unavailable"}, "Result: RequestFailed (2)", 1},
        {"not a version", {"<html>Welcome</html>"}, "Result: ManifestMissing (3)", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LocalHttpServer server;
        server.Serve("qx7config_update.txt", c.manifest);
        server.Serve("qx7config_changelog.txt", {"notes"});
        const qx7::test::ProcessRun run = CheckUpdate(server);
        EXPECT_EQ(run.exit_code, c.exit_code) << run.out;
        EXPECT_NE(run.out.find(c.result), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("You are up to date!") != std::string::npos,
                  std::string(c.result) == "Result: UpToDate (6)")
            << run.out;
    }
}

}  // namespace

TEST(Qx7ctlCheckUpdate, JsonHoldsTheDocumentedKeys) {
    LocalHttpServer server;
    server.Serve("qx7config_update.txt", {"99.0\n"});
    server.Serve("qx7config_changelog.txt", {"notes"});
    const qx7::test::ProcessRun run = CheckUpdate(server, "--json");
    ASSERT_EQ(run.exit_code, 0) << run.out;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json.at("result"), "UpdateAvailable");
    EXPECT_EQ(json.at("result_code"), 0);
    EXPECT_EQ(json.at("update_available"), true);
    EXPECT_EQ(json.at("installed_version"), QX7_VERSION_TEXT);
    EXPECT_EQ(json.at("server_version"), "99.0");
    EXPECT_FALSE(json.at("status").get<std::string>().empty());
    EXPECT_EQ(json.at("changelog"), "notes");
}
