#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "strings/string_table.h"
#include "strings/text_codec.h"
#include "updater/local_http_server.h"
#include "updater/system_http_client.h"
#include "updater/update_check.h"

namespace qx7::updater {
namespace {

using strings::Language;
using strings::StringId;
using test_support::LocalHttpServer;
using test_support::LocalResponse;

constexpr FileVersion kOwnVersion{2, 3, 3, 1};

// Short waits: every server here is local.
HttpSettings LoopbackSettings() {
    HttpSettings settings;
    settings.connect_timeout = std::chrono::milliseconds(2000);
    settings.total_timeout = std::chrono::milliseconds(3000);
    settings.use_environment_proxy = false;
    return settings;
}

std::string Show(const std::u16string& text) { return strings::ToUtf8(text); }
std::string Text(const HttpResponse& response) { return {response.body.begin(), response.body.end()}; }

// ---------------------------------------------------------------------------
// The system's client (libcurl or WinHTTP), against the same contract

TEST(SystemHttpClient, SendsTheAgentAndAsksForAnUncachedCopy) {
    LocalHttpServer server;
    server.Serve("file.txt", {"hello"});
    SystemHttpClient http(LoopbackSettings());
    const HttpResponse response = http.Get(server.FolderUrl() + "file.txt");
    ASSERT_EQ(response.status, HttpStatus::Ok);
    EXPECT_EQ(Text(response), "hello");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string head = server.Requests().front();
    EXPECT_NE(head.find("User-Agent: QX7ConfigUpdateAgent\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("Cache-Control: no-cache\r\n"), std::string::npos) << head;
}

// An error page is an answer like any other, with its status code.
TEST(SystemHttpClient, ReturnsTheBodyAndStatusOfAnErrorPage) {
    LocalHttpServer server;
    server.Serve("broken.txt", {"oops", "HTTP/1.0 500 Internal Server Error"});
    SystemHttpClient http(LoopbackSettings());
    const HttpResponse response = http.Get(server.FolderUrl() + "missing.txt");
    ASSERT_EQ(response.status, HttpStatus::Ok);
    EXPECT_EQ(Text(response), test_support::kNotFoundPage);
    EXPECT_EQ(response.http_code, 404);
    const HttpResponse broken = http.Get(server.FolderUrl() + "broken.txt");
    ASSERT_EQ(broken.status, HttpStatus::Ok);
    EXPECT_EQ(broken.http_code, 500);
    EXPECT_EQ(http.Get(server.FolderUrl() + "missing.txt").http_code, 404);
}

// A body must leave room for one zero byte in the 4096-byte read buffer,
// whether the server announces its length or not.
TEST(SystemHttpClient, RefusesBodiesThatDoNotFitTheReadBuffer) {
    LocalHttpServer server;
    const struct {
        std::size_t size;
        bool send_content_length;
        HttpStatus expected;
    } cases[] = {
        {kReadBufferSize - 1, true, HttpStatus::Ok},        {kReadBufferSize - 1, false, HttpStatus::Ok},
        {kReadBufferSize, true, HttpStatus::RequestFailed}, {kReadBufferSize, false, HttpStatus::RequestFailed},
        {1 << 20, false, HttpStatus::RequestFailed},
    };
    SystemHttpClient http(LoopbackSettings());
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.size) + (c.send_content_length ? " with" : " without") +
                     " Content-Length");
        LocalResponse response{std::string(c.size, 'x')};
        response.send_content_length = c.send_content_length;
        server.Serve("body.txt", response);
        const HttpResponse answer = http.Get(server.FolderUrl() + "body.txt");
        EXPECT_EQ(answer.status, c.expected);
        EXPECT_EQ(answer.body.size(), c.expected == HttpStatus::Ok ? c.size : 0u);
    }
}

TEST(SystemHttpClient, TellsAnUnreachableServerFromAFailedRequest) {
    SystemHttpClient http(LoopbackSettings());
    {
        // Bound but not listening: the connection is refused.
        const test_support::LoopbackSocket closed;
        EXPECT_EQ(http.Get(closed.FolderUrl() + "file.txt").status, HttpStatus::NoConnection);
    }
    {
        // Reached, but it answers a TLS handshake in plain text: no
        // certificate could be checked, so nothing is fetched, and the
        // server was there all along.
        LocalHttpServer plain;
        plain.GreetEveryConnectionWith("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello");
        std::string url = plain.FolderUrl() + "file.txt";
        url.replace(0, 4, "https");
        EXPECT_EQ(http.Get(url).status, HttpStatus::RequestFailed);
    }
    // Only http and https are fetched.
    EXPECT_EQ(http.Get("file:///etc/hostname").status, HttpStatus::RequestFailed);
    EXPECT_EQ(http.Get("not a url").status, HttpStatus::RequestFailed);
}

// Redirects lead only to https: a plain-http target, however it is
// written, ends the request without being fetched.
TEST(SystemHttpClient, FollowsNoRedirectToPlainHttp) {
    LocalHttpServer server;
    server.Serve("file.txt", {"hello"});
    SystemHttpClient http(LoopbackSettings());
    for (const std::string& location : {server.FolderUrl() + "file.txt", std::string("file.txt"),
                                        std::string("/downloads/qx7/utilities/update/file.txt")}) {
        SCOPED_TRACE(location);
        // The header line rides on the status line.
        server.Serve("moved.txt", {"", "HTTP/1.0 302 Found\r\nLocation: " + location});
        const std::size_t before = server.Requests().size();
        EXPECT_EQ(http.Get(server.FolderUrl() + "moved.txt").status, HttpStatus::RequestFailed);
        EXPECT_EQ(server.Requests().size(), before + 1);
    }
}

TEST(SystemHttpClient, GivesUpOnASilentServer) {
    LocalHttpServer server;
    LocalResponse silent;
    silent.silent = true;
    server.Serve("slow.txt", silent);
    HttpSettings settings = LoopbackSettings();
    settings.total_timeout = std::chrono::milliseconds(300);
    SystemHttpClient http(settings);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(http.Get(server.FolderUrl() + "slow.txt").status, HttpStatus::RequestFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

// A cancel from another thread ends a transfer that waits for a silent
// server long before the time-outs, and every later request fails at once
// without reaching the server.
TEST(SystemHttpClient, ACancelEndsAWaitingTransferAndTheRequestsAfterIt) {
    LocalHttpServer server;
    LocalResponse silent;
    silent.silent = true;
    server.Serve("slow.txt", silent);
    server.Serve("file.txt", {"hello"});
    HttpSettings settings = LoopbackSettings();
    settings.connect_timeout = std::chrono::seconds(60);
    settings.total_timeout = std::chrono::seconds(60);
    SystemHttpClient http(settings);
    auto answer = std::async(std::launch::async, [&] { return http.Get(server.FolderUrl() + "slow.txt"); });
    // Cancel once the server holds the request, so that the transfer is
    // really waiting.
    while (server.Requests().empty() && answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
    }
    ASSERT_EQ(server.Requests().size(), 1u);
    http.Cancel();
    ASSERT_EQ(answer.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(answer.get().status, HttpStatus::RequestFailed);

    EXPECT_TRUE(http.cancelled());
    EXPECT_EQ(http.Get(server.FolderUrl() + "file.txt").status, HttpStatus::RequestFailed);
    EXPECT_EQ(server.Requests().size(), 1u);
}

// ---------------------------------------------------------------------------
// The whole check against a local update folder

class UpdateCheckOverHttp : public ::testing::Test {
protected:
    UpdateCheckOutcome Check() {
        SystemHttpClient http(LoopbackSettings());
        return CheckForUpdate(http, server_.FolderUrl(), kOwnVersion, Language::English);
    }
    void ServeManifest(std::string text) { server_.Serve(std::string(kManifestFile), {std::move(text)}); }
    void ServeChangelog(std::string text) { server_.Serve(std::string(kChangelogFile), {std::move(text)}); }

    LocalHttpServer server_;
};

TEST_F(UpdateCheckOverHttp, ReportsAnUpdate) {
    ServeManifest("2.3.4");
    ServeChangelog("v2.3.4\n- Faster scans\n- \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 menus\n");
    const UpdateCheckOutcome outcome = Check();
    EXPECT_EQ(outcome.result, UpdateCheckResult::UpdateAvailable);
    EXPECT_TRUE(outcome.update_enabled);
    EXPECT_EQ(Show(outcome.status_text),
              "There is a new update available!\nOstrivance Configurator has been updated to v2.3.4.");
    EXPECT_EQ(Show(outcome.changelog), "v2.3.4\n- Faster scans\n- \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 menus\n");
    ASSERT_EQ(server_.Requests().size(), 2u);
    EXPECT_EQ(server_.Requests()[0].rfind("GET /downloads/qx7/utilities/update/qx7config_update.txt ", 0), 0u);
    EXPECT_EQ(server_.Requests()[1].rfind("GET /downloads/qx7/utilities/update/qx7config_changelog.txt ", 0), 0u);
}

TEST_F(UpdateCheckOverHttp, ReportsUpToDateForTheSameVersionWithOrWithoutALineEnd) {
    const std::string up_to_date =
        "You are up to date!\nOstrivance Configurator v2.3.3.1 is currently the newest version available.";
    for (const char* manifest : {"2.3.3.1", "2.3.3.1\n"}) {
        SCOPED_TRACE(manifest);
        ServeManifest(manifest);
        ServeChangelog("notes");
        const UpdateCheckOutcome outcome = Check();
        EXPECT_EQ(outcome.result, UpdateCheckResult::UpToDate);
        EXPECT_FALSE(outcome.update_enabled);
        EXPECT_EQ(Show(outcome.status_text), up_to_date);
        EXPECT_EQ(Show(outcome.changelog), "notes");
    }
}

// Whatever is not the manifest fails the check; none of it is "up to date".
TEST_F(UpdateCheckOverHttp, AnythingButTheManifestFailsTheCheck) {
    const struct {
        const char* name;
        LocalResponse manifest;
        UpdateCheckResult result;
    } cases[] = {
        {"another server's not-found page",
         {"<html><h1>Page not found</h1></html>", "HTTP/1.0 404 Not Found"},
         UpdateCheckResult::ManifestMissing},
        {"a version with an error status",
         {"2.3.3.1", "HTTP/1.0 500 Internal Server Error"},
         UpdateCheckResult::RequestFailed},
        {"a page instead of the manifest",
         {"<html><body>Parked domain</body></html>"},
         UpdateCheckResult::ManifestMissing},
        {"a malformed version", {"2.3.3.1.0"}, UpdateCheckResult::ManifestMissing},
    };
    ServeChangelog("notes");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server_.Serve(std::string(kManifestFile), c.manifest);
        const UpdateCheckOutcome outcome = Check();
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(Show(outcome.status_text),
                  Show(strings::FormatResString(Language::English, StringId::UpdateConnectionError)));
        EXPECT_FALSE(outcome.update_enabled);
    }
}

TEST_F(UpdateCheckOverHttp, MissingManifestEndsTheCheck) {
    ServeChangelog("notes");  // the manifest path gets the not-found page
    const UpdateCheckOutcome outcome = Check();
    EXPECT_EQ(outcome.result, UpdateCheckResult::ManifestMissing);
    EXPECT_EQ(Show(outcome.status_text),
              Show(strings::FormatResString(Language::English, StringId::UpdateConnectionError)));
    EXPECT_EQ(outcome.changelog, u"");
    EXPECT_EQ(server_.Requests().size(), 1u);

    ServeManifest("");
    EXPECT_EQ(Check().result, UpdateCheckResult::ManifestMissing);
}

TEST_F(UpdateCheckOverHttp, MissingChangelogStillCompares) {
    ServeManifest("2.3.4");  // the changelog path gets the not-found page
    const UpdateCheckOutcome outcome = Check();
    EXPECT_EQ(outcome.result, UpdateCheckResult::UpdateAvailable);
    EXPECT_EQ(Show(outcome.changelog), "Error! Changelog not found");
}

TEST(UpdateCheckWithoutServer, ReportsNoConnection) {
    const test_support::LoopbackSocket closed;
    SystemHttpClient http(LoopbackSettings());
    const UpdateCheckOutcome outcome = CheckForUpdate(http, closed.FolderUrl(), kOwnVersion, Language::English);
    EXPECT_EQ(outcome.result, UpdateCheckResult::NoConnection);
    EXPECT_EQ(Show(outcome.status_text),
              Show(strings::FormatResString(Language::English, StringId::UpdateConnectionError)));
    EXPECT_FALSE(outcome.update_enabled);
}

}  // namespace
}  // namespace qx7::updater
