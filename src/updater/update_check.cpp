#include "updater/update_check.h"

#include <cstdint>
#include <span>
#include <vector>

#include "strings/text_codec.h"
#include "updater/version_compare.h"

namespace qx7::updater {
namespace {

constexpr std::uint16_t kUpToDateTextId = 237;         // insert: own version
constexpr std::uint16_t kNewUpdateTextId = 238;        // insert: server version
constexpr std::uint16_t kConnectionErrorTextId = 240;  // also every other failure

// Fetches one file; a body too long for the read buffer is a failed request
// whichever client produced it.
HttpResponse Fetch(HttpClient& http, std::string_view folder_url, std::string_view file) {
    std::string url(folder_url);
    url += file;
    HttpResponse response = http.Get(url);
    if (response.status == HttpStatus::Ok && !BodyFits(response.body.size())) {
        return {HttpStatus::RequestFailed, {}};
    }
    return response;
}

// A body read into the zero-filled buffer, as far as its first zero byte.
std::span<const std::uint8_t> TextPart(const std::vector<std::uint8_t>& body) {
    std::size_t length = 0;
    while (length < body.size() && body[length] != 0) ++length;
    return std::span(body).first(length);
}

bool IsNotFoundPage(std::span<const std::uint8_t> text) {
    const std::string_view chars(reinterpret_cast<const char*>(text.data()), text.size());
    return chars.find(kNotFoundMarker) != std::string_view::npos;
}

std::u16string ChangelogText(const std::vector<std::uint8_t>& body) {
    const std::span<const std::uint8_t> text = TextPart(body);
    if (IsNotFoundPage(text)) return std::u16string(kChangelogNotFoundText);
    return strings::FromUtf8({reinterpret_cast<const char*>(text.data()), text.size()});
}

}  // namespace

std::string_view ResultName(UpdateCheckResult result) {
    switch (result) {
        case UpdateCheckResult::UpdateAvailable: return "UpdateAvailable";
        case UpdateCheckResult::NoConnection: return "NoConnection";
        case UpdateCheckResult::RequestFailed: return "RequestFailed";
        case UpdateCheckResult::ManifestMissing: return "ManifestMissing";
        case UpdateCheckResult::OwnVersionUnknown: return "OwnVersionUnknown";
        case UpdateCheckResult::UpToDate: return "UpToDate";
    }
    return "Unknown";
}

UpdateCheckOutcome CheckForUpdate(HttpClient& http, std::string_view folder_url,
                                  const FileVersion& own_version, strings::Language language) {
    UpdateCheckOutcome outcome;
    outcome.status_text = strings::FormatResString(language, kConnectionErrorTextId);
    const auto finish = [&outcome](UpdateCheckResult result) {
        outcome.result = result;
        return outcome;
    };

    const HttpResponse manifest = Fetch(http, folder_url, kManifestFile);
    if (manifest.status == HttpStatus::NoConnection) return finish(UpdateCheckResult::NoConnection);
    if (manifest.status != HttpStatus::Ok) return finish(UpdateCheckResult::RequestFailed);
    if (manifest.body.empty() || IsNotFoundPage(TextPart(manifest.body))) {
        return finish(UpdateCheckResult::ManifestMissing);
    }

    // The session stood for the manifest, so any failure here is the
    // request's own.
    const HttpResponse changelog = Fetch(http, folder_url, kChangelogFile);
    if (changelog.status != HttpStatus::Ok) return finish(UpdateCheckResult::RequestFailed);
    outcome.changelog = ChangelogText(changelog.body);

    const std::u16string own_text = VersionText(own_version);
    if (own_text.empty()) return finish(UpdateCheckResult::OwnVersionUnknown);

    // The manifest is ASCII; each byte is taken as the character of its value.
    outcome.server_version = strings::FromLatin1(TextPart(manifest.body));
    if (CompareVersions(outcome.server_version, own_text) == 1) {
        outcome.status_text =
            strings::FormatResString(language, kNewUpdateTextId, {outcome.server_version});
        outcome.update_enabled = true;
        return finish(UpdateCheckResult::UpdateAvailable);
    }
    outcome.status_text = strings::FormatResString(language, kUpToDateTextId, {own_text});
    return finish(UpdateCheckResult::UpToDate);
}

}  // namespace qx7::updater
