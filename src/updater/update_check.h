#pragma once
// The update check: fetches the version manifest and the changelog from the
// update folder, compares the manifest's version with the program's own and
// reports what the updater dialog shows. A silent check at start-up looks
// only at `result`.

#include <string>
#include <string_view>

#include "strings/string_table.h"
#include "updater/http_client.h"
#include "updater/own_version.h"

namespace qx7::updater {

// Callers that only decide whether to show the dialog compare with
// UpdateAvailable; the other values tell why there is nothing to offer.
enum class UpdateCheckResult : int {
    UpdateAvailable = 0,    // the server's version is greater than the own one
    NoConnection = 1,       // offline, or the server could not be reached
    RequestFailed = 2,      // the manifest or the changelog request failed or had an error status
    ManifestMissing = 3,    // no manifest: not found, empty, or not a version
    OwnVersionUnknown = 5,  // the own version is 0.0.0.0
    UpToDate = 6,           // the server's version is not greater
};

// "UpdateAvailable", "NoConnection", ...
std::string_view ResultName(UpdateCheckResult result);

// Files in the update folder.
inline constexpr std::string_view kManifestFile = "qx7config_update.txt";
inline constexpr std::string_view kChangelogFile = "qx7config_changelog.txt";
// The server answers a missing file with an HTML page holding this.
inline constexpr std::string_view kNotFoundMarker = "<title>404 Not Found</title>";
// Shown in place of a changelog that the server does not have.
inline constexpr std::u16string_view kChangelogNotFoundText = u"Error! Changelog not found";

struct UpdateCheckOutcome {
    UpdateCheckResult result = UpdateCheckResult::NoConnection;
    // The dialog's status line: the new-update or up-to-date text when the
    // versions were compared, the connection-error text otherwise.
    std::u16string status_text;
    // The changelog as UTF-8-decoded text, kChangelogNotFoundText, or empty
    // when the check ended before the changelog was read.
    std::u16string changelog;
    // Whether the dialog offers its Update button.
    bool update_enabled = false;
    // The manifest's text as compared; empty when no comparison ran.
    std::u16string server_version;
};

// Runs the whole check against `folder_url` (ending in '/'; the file names
// are appended to it as given). Status texts are taken from the string table
// of `language`.
//
// Only a manifest that was answered with a success status and holds a
// version (one line end after it is dropped) is compared. A not-found
// status (404, 410), the not-found page, an empty body or a text that is
// not a version is ManifestMissing; any other error status is RequestFailed.
// A changelog answered with a not-found status or page shows
// kChangelogNotFoundText; one with another error status is RequestFailed.
UpdateCheckOutcome CheckForUpdate(HttpClient& http, std::string_view folder_url, const FileVersion& own_version,
                                  strings::Language language);

// The status text of an UpdateAvailable outcome in `language`, for an
// answer shown after the interface language changed.
std::u16string NewUpdateText(strings::Language language, std::u16string_view server_version);

}  // namespace qx7::updater
