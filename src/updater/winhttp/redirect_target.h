#pragma once
// Where a redirect leads, for the WinHTTP client, which follows redirects
// itself so that it can refuse every target but https.

#include <optional>
#include <string>

namespace qx7::updater {

// The Location `location` of an answer to `base` (an absolute http or https
// URL) as an absolute URL; nothing when it is not an https URL. Relative
// forms are resolved as browsers do: "//host/path", "/path", "?query" and
// "name" (beside the last segment of base's path).
std::optional<std::wstring> RedirectTarget(const std::wstring& base, const std::wstring& location);

}  // namespace qx7::updater
