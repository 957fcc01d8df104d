#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "strings/string_table.h"
#include "strings/text_codec.h"
#include "updater/update_check.h"

namespace qx7::updater {
namespace {

using strings::Language;
using strings::StringId;

const std::string kFolder = "https://updates.test/downloads/qx7/utilities/update/";
const std::string kManifestUrl = kFolder + "qx7config_update.txt";
const std::string kChangelogUrl = kFolder + "qx7config_changelog.txt";
constexpr FileVersion kOwnVersion{2, 3, 3, 1};

HttpResponse Body(const std::string& text, int http_code = 200) {
    return {HttpStatus::Ok, std::vector<std::uint8_t>(text.begin(), text.end()), http_code};
}
HttpResponse Failure(HttpStatus status) { return {status, {}}; }

// Answers each URL from a table (RequestFailed for any other) and records
// what was asked.
class ScriptedHttp final : public HttpClient {
public:
    ScriptedHttp(HttpResponse manifest, HttpResponse changelog) {
        answers_[kManifestUrl] = std::move(manifest);
        answers_[kChangelogUrl] = std::move(changelog);
    }
    HttpResponse Get(const std::string& url) override {
        requested.push_back(url);
        const auto answer = answers_.find(url);
        return answer == answers_.end() ? Failure(HttpStatus::RequestFailed) : answer->second;
    }
    std::vector<std::string> requested;

private:
    std::map<std::string, HttpResponse> answers_;
};

std::string Show(const std::u16string& text) { return strings::ToUtf8(text); }

std::u16string ConnectionError(Language language = Language::English) {
    return strings::FormatResString(language, StringId::UpdateConnectionError);
}

// Failures end the check with the connection-error text and Update off; the
// changelog is shown only once it has been read.
TEST(CheckForUpdate, FailuresKeepTheConnectionErrorText) {
    const std::string too_long(kReadBufferSize, '1');
    const struct {
        const char* name;
        HttpResponse manifest;
        HttpResponse changelog;
        FileVersion own;
        UpdateCheckResult result;
        std::u16string changelog_text;
        std::size_t requests;
    } cases[] = {
        {"offline", Failure(HttpStatus::NoConnection), Body("log"), kOwnVersion, UpdateCheckResult::NoConnection, u"",
         1},
        {"manifest request", Failure(HttpStatus::RequestFailed), Body("log"), kOwnVersion,
         UpdateCheckResult::RequestFailed, u"", 1},
        {"manifest too long", Body(too_long), Body("log"), kOwnVersion, UpdateCheckResult::RequestFailed, u"", 1},
        {"empty manifest", Body(""), Body("log"), kOwnVersion, UpdateCheckResult::ManifestMissing, u"", 1},
        {"not-found page", Body("<html><title>404 Not Found</title></html>"), Body("log"), kOwnVersion,
         UpdateCheckResult::ManifestMissing, u"", 1},
        // What is not the manifest is no answer: another server's not-found
        // page, an error status, a page or a text that is not a version.
        {"not found by status", Body("<html>Sorry, no such page</html>", 404), Body("log"), kOwnVersion,
         UpdateCheckResult::ManifestMissing, u"", 1},
        {"gone", Body("2.3.4", 410), Body("log"), kOwnVersion, UpdateCheckResult::ManifestMissing, u"", 1},
        {"server error", Body("2.3.4", 500), Body("log"), kOwnVersion, UpdateCheckResult::RequestFailed, u"", 1},
        {"redirect not followed", Body("", 302), Body("log"), kOwnVersion, UpdateCheckResult::RequestFailed, u"", 1},
        {"another page", Body("<html><body>Welcome</body></html>"), Body("log"), kOwnVersion,
         UpdateCheckResult::ManifestMissing, u"", 1},
        {"five fields", Body("1.2.3.4.5"), Body("log"), kOwnVersion, UpdateCheckResult::ManifestMissing, u"", 1},
        {"a letter", Body("2.3.4a"), Body("log"), kOwnVersion, UpdateCheckResult::ManifestMissing, u"", 1},
        {"two line ends", Body("2.3.4\n\n"), Body("log"), kOwnVersion, UpdateCheckResult::ManifestMissing, u"", 1},
        {"only a line end", Body("\n"), Body("log"), kOwnVersion, UpdateCheckResult::ManifestMissing, u"", 1},
        // Reaching the server for the manifest proves the connection; a
        // changelog that cannot be fetched is a failed request.
        {"changelog unreachable", Body("9.0"), Failure(HttpStatus::NoConnection), kOwnVersion,
         UpdateCheckResult::RequestFailed, u"", 2},
        {"changelog request", Body("9.0"), Failure(HttpStatus::RequestFailed), kOwnVersion,
         UpdateCheckResult::RequestFailed, u"", 2},
        {"changelog too long", Body("9.0"), Body(too_long), kOwnVersion, UpdateCheckResult::RequestFailed, u"", 2},
        {"changelog server error", Body("9.0"), Body("log", 503), kOwnVersion, UpdateCheckResult::RequestFailed, u"",
         2},
        {"no own version", Body("9.0"), Body("log"), FileVersion{}, UpdateCheckResult::OwnVersionUnknown, u"log", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedHttp http(c.manifest, c.changelog);
        const UpdateCheckOutcome outcome = CheckForUpdate(http, kFolder, c.own, Language::English);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(Show(outcome.status_text), Show(ConnectionError()));
        EXPECT_EQ(Show(outcome.changelog), Show(c.changelog_text));
        EXPECT_FALSE(outcome.update_enabled);
        EXPECT_EQ(outcome.server_version, u"");
        EXPECT_EQ(http.requested.size(), c.requests);
    }
}

TEST(CheckForUpdate, ComparesTheManifestWithTheOwnVersion) {
    const struct {
        const char* manifest;
        FileVersion own;
        UpdateCheckResult result;
        std::u16string status_insert;
        const char* server_version;
    } cases[] = {
        {"2.3.4", kOwnVersion, UpdateCheckResult::UpdateAvailable, u"2.3.4", "2.3.4"},
        {"2.10", kOwnVersion, UpdateCheckResult::UpdateAvailable, u"2.10", "2.10"},
        {"2.3.3.1", kOwnVersion, UpdateCheckResult::UpToDate, u"2.3.3.1", "2.3.3.1"},
        {"2.3.3", kOwnVersion, UpdateCheckResult::UpToDate, u"2.3.3.1", "2.3.3"},
        {"2..4.", kOwnVersion, UpdateCheckResult::UpdateAvailable, u"2..4.", "2..4."},
        // One line end after the version is not part of it.
        {"2.3.4\n", kOwnVersion, UpdateCheckResult::UpdateAvailable, u"2.3.4", "2.3.4"},
        {"2.3.4\r\n", kOwnVersion, UpdateCheckResult::UpdateAvailable, u"2.3.4", "2.3.4"},
        {"2.3.3.1\r\n", kOwnVersion, UpdateCheckResult::UpToDate, u"2.3.3.1", "2.3.3.1"},
        {"2.4", FileVersion{2, 4, 0, 0}, UpdateCheckResult::UpToDate, u"2.4", "2.4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.manifest);
        ScriptedHttp http(Body(c.manifest), Body("changes"));
        const UpdateCheckOutcome outcome = CheckForUpdate(http, kFolder, c.own, Language::English);
        const bool available = c.result == UpdateCheckResult::UpdateAvailable;
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.update_enabled, available);
        EXPECT_EQ(
            Show(outcome.status_text),
            Show(strings::FormatResString(Language::English, available ? StringId::UpdateAvailable : StringId::UpToDate,
                                          {c.status_insert})));
        EXPECT_EQ(Show(outcome.server_version), c.server_version);
        EXPECT_EQ(Show(outcome.changelog), "changes");
    }
}

TEST(CheckForUpdate, ReadsEachBodyUpToItsFirstZeroByte) {
    // The manifest text ends at a zero byte; what follows it is ignored, the
    // not-found marker included.
    const std::string manifest("2.3.4\0<title>404 Not Found</title>", 34);
    const std::string changelog("First line\nSecond \xEC\x95\x88\xFF\0tail", 27);
    ScriptedHttp http(Body(manifest), Body(changelog));
    const UpdateCheckOutcome outcome = CheckForUpdate(http, kFolder, kOwnVersion, Language::English);
    EXPECT_EQ(outcome.result, UpdateCheckResult::UpdateAvailable);
    EXPECT_EQ(outcome.server_version, u"2.3.4");
    // UTF-8 decoded; an invalid byte becomes U+FFFD.
    EXPECT_EQ(Show(outcome.changelog), "First line\nSecond \xEC\x95\x88\xEF\xBF\xBD");
}

TEST(CheckForUpdate, ReplacesAMissingChangelogAndStillCompares) {
    for (const HttpResponse& missing :
         {Body("<html><title>404 Not Found</title></html>"), Body("<html>No such page</html>", 404)}) {
        ScriptedHttp http(Body("2.3.3.1"), missing);
        const UpdateCheckOutcome outcome = CheckForUpdate(http, kFolder, kOwnVersion, Language::English);
        EXPECT_EQ(outcome.result, UpdateCheckResult::UpToDate);
        EXPECT_EQ(outcome.changelog, kChangelogNotFoundText);
    }
}

TEST(CheckForUpdate, UsesTheTextsOfTheGivenLanguage) {
    ScriptedHttp up_to_date(Body("2.3.3.1"), Body(""));
    EXPECT_EQ(Show(CheckForUpdate(up_to_date, kFolder, kOwnVersion, Language::Korean).status_text),
              Show(strings::FormatResString(Language::Korean, StringId::UpToDate, {u"2.3.3.1"})));
    ScriptedHttp offline(Failure(HttpStatus::NoConnection), Body(""));
    EXPECT_EQ(Show(CheckForUpdate(offline, kFolder, kOwnVersion, Language::Korean).status_text),
              Show(ConnectionError(Language::Korean)));
}

}  // namespace
}  // namespace qx7::updater
