#include "updater/update_check.h"

#include <cstdint>
#include <span>
#include <vector>

#include "strings/text_codec.h"
#include "updater/version_compare.h"

namespace qx7::updater {
namespace {

using strings::StringId;

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

// The server's answer that a file is not there.
bool IsNotFoundCode(int http_code) { return http_code == 404 || http_code == 410; }

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

// The changelog's text, or the not-found text when the server said it has
// none (by its status code or by its not-found page).
std::u16string ChangelogText(const HttpResponse& changelog) {
    const std::span<const std::uint8_t> text = TextPart(changelog.body);
    if (IsNotFoundCode(changelog.http_code) || IsNotFoundPage(text)) {
        return std::u16string(kChangelogNotFoundText);
    }
    return strings::FromUtf8({reinterpret_cast<const char*>(text.data()), text.size()});
}

// The manifest's version text: each byte taken as the character of its
// value (the manifest is ASCII), without one line end at the end.
std::u16string ManifestText(std::span<const std::uint8_t> text) {
    std::u16string version = strings::FromLatin1(text);
    if (version.ends_with(u'\n')) version.pop_back();
    if (version.ends_with(u'\r')) version.pop_back();
    return version;
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

UpdateCheckOutcome CheckForUpdate(HttpClient& http, std::string_view folder_url, const FileVersion& own_version,
                                  strings::Language language) {
    UpdateCheckOutcome outcome;
    outcome.status_text = strings::FormatResString(language, StringId::UpdateConnectionError);
    const auto finish = [&outcome](UpdateCheckResult result) {
        outcome.result = result;
        return outcome;
    };

    // The manifest must be there and hold a version; anything else (an
    // error status, the server's not-found page, another page, an empty
    // answer) ends the check as a failure, never as "up to date".
    const HttpResponse manifest = Fetch(http, folder_url, kManifestFile);
    if (manifest.status == HttpStatus::NoConnection) return finish(UpdateCheckResult::NoConnection);
    if (manifest.status != HttpStatus::Ok) return finish(UpdateCheckResult::RequestFailed);
    if (IsNotFoundCode(manifest.http_code)) return finish(UpdateCheckResult::ManifestMissing);
    if (!IsSuccessCode(manifest.http_code)) return finish(UpdateCheckResult::RequestFailed);
    const std::span<const std::uint8_t> manifest_text = TextPart(manifest.body);
    if (manifest.body.empty() || IsNotFoundPage(manifest_text)) {
        return finish(UpdateCheckResult::ManifestMissing);
    }
    const std::u16string server_version = ManifestText(manifest_text);
    if (!IsVersion(server_version)) return finish(UpdateCheckResult::ManifestMissing);

    // The session stood for the manifest, so any failure here is the
    // request's own. A changelog the server does not have is shown as
    // missing; any other error status fails the request.
    const HttpResponse changelog = Fetch(http, folder_url, kChangelogFile);
    if (changelog.status != HttpStatus::Ok) return finish(UpdateCheckResult::RequestFailed);
    if (!IsSuccessCode(changelog.http_code) && !IsNotFoundCode(changelog.http_code)) {
        return finish(UpdateCheckResult::RequestFailed);
    }
    outcome.changelog = ChangelogText(changelog);

    const std::u16string own_text = VersionText(own_version);
    if (own_text.empty()) return finish(UpdateCheckResult::OwnVersionUnknown);

    outcome.server_version = server_version;
    const int comparison = CompareVersions(outcome.server_version, own_text);
    if (comparison == kSecondVersionMalformed) return finish(UpdateCheckResult::OwnVersionUnknown);
    if (comparison == 1) {
        outcome.status_text = NewUpdateText(language, outcome.server_version);
        outcome.update_enabled = true;
        return finish(UpdateCheckResult::UpdateAvailable);
    }
    outcome.status_text = strings::FormatResString(language, StringId::UpToDate, {own_text});
    return finish(UpdateCheckResult::UpToDate);
}

std::u16string NewUpdateText(strings::Language language, std::u16string_view server_version) {
    return strings::FormatResString(language, StringId::UpdateAvailable, {std::u16string(server_version)});
}

}  // namespace qx7::updater
