#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "updater/winhttp/redirect_target.h"

namespace qx7::updater {
namespace {

TEST(RedirectTarget, ResolvesEveryFormOfLocationAndKeepsOnlyHttps) {
    const std::wstring base = L"https://update.example.com/downloads/qx7/update.txt?x=1";
    const struct {
        std::wstring base;
        std::wstring location;
        std::optional<std::wstring> expected;
    } cases[] = {
        {base, L"https://mirror.example.net/a.txt", L"https://mirror.example.net/a.txt"},
        {base, L"HTTPS://mirror.example.net/a.txt", L"HTTPS://mirror.example.net/a.txt"},
        {base, L"//mirror.example.net/a.txt", L"https://mirror.example.net/a.txt"},
        {base, L"/other/b.txt", L"https://update.example.com/other/b.txt"},
        {base, L"b.txt", L"https://update.example.com/downloads/qx7/b.txt"},
        {base, L"b.txt#part", L"https://update.example.com/downloads/qx7/b.txt"},
        {base, L"?y=2", L"https://update.example.com/downloads/qx7/update.txt?y=2"},
        {L"https://update.example.com", L"b.txt", L"https://update.example.com/b.txt"},
        {L"https://update.example.com:8443/a/", L"b.txt", L"https://update.example.com:8443/a/b.txt"},
        // Anything but https is refused, relative or not.
        {base, L"http://mirror.example.net/a.txt", std::nullopt},
        {base, L"ftp://mirror.example.net/a.txt", std::nullopt},
        {base, L"file:///C:/Windows/win.ini", std::nullopt},
        {L"http://update.example.com/a/", L"b.txt", std::nullopt},
        {L"http://update.example.com/a/", L"//update.example.com/b.txt", std::nullopt},
        {L"http://update.example.com/a/", L"/b.txt", std::nullopt},
        {base, L"https://", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.base.begin(), c.base.end()) + " + " +
                     std::string(c.location.begin(), c.location.end()));
        EXPECT_EQ(RedirectTarget(c.base, c.location), c.expected);
    }
}

}  // namespace
}  // namespace qx7::updater
