#include "updater/winhttp/redirect_target.h"

#include <algorithm>
#include <cwctype>

namespace qx7::updater {
namespace {

// Whether `location` starts with a scheme: letters, digits, '+', '-' or
// '.' before a ':' that comes before any '/', '?' or '#'.
bool HasScheme(const std::wstring& location) {
    const std::size_t colon = location.find(L':');
    if (colon == std::wstring::npos || colon == 0 || location.find_first_of(L"/?#") < colon) return false;
    return std::all_of(location.begin(), location.begin() + static_cast<std::ptrdiff_t>(colon),
                       [](wchar_t c) { return std::iswalnum(c) || c == L'+' || c == L'-' || c == L'.'; });
}

bool IsHttps(const std::wstring& url) {
    static const std::wstring kPrefix = L"https://";
    return url.size() > kPrefix.size() &&
           std::equal(kPrefix.begin(), kPrefix.end(), url.begin(),
                      [](wchar_t a, wchar_t b) { return a == static_cast<wchar_t>(std::towlower(b)); });
}

std::wstring Absolute(const std::wstring& base, const std::wstring& location) {
    if (HasScheme(location)) return location;
    const std::size_t scheme_end = base.find(L"://");
    if (scheme_end == std::wstring::npos) return {};
    if (location.rfind(L"//", 0) == 0) return base.substr(0, scheme_end + 1) + location;
    const std::size_t path_start = base.find_first_of(L"/?#", scheme_end + 3);
    const std::wstring origin = base.substr(0, path_start);
    if (location.rfind(L"/", 0) == 0) return origin + location;
    std::wstring path = path_start == std::wstring::npos ? L"/" : base.substr(path_start);
    path = path.substr(0, path.find_first_of(L"?#"));
    if (path.empty()) path = L"/";
    if (location.empty() || location[0] == L'?' || location[0] == L'#') return origin + path + location;
    return origin + path.substr(0, path.rfind(L'/') + 1) + location;
}

}  // namespace

std::optional<std::wstring> RedirectTarget(const std::wstring& base, const std::wstring& location) {
    std::wstring target = Absolute(base, location);
    if (!IsHttps(target)) return std::nullopt;
    // The fragment stays with the client; it is never sent.
    return target.substr(0, target.find(L'#'));
}

}  // namespace qx7::updater
