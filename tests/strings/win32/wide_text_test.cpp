// Windows' UTF-16 texts and the program's UTF-8: what every Windows part
// converts through, and the system's error texts as messages show them.

#include "strings/win32/wide_text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace qx7::strings {
namespace {

TEST(WideText, ConvertsBothWays) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"", L""},
        {"plain", L"plain"},
        {"설정 파일.qx7", L"\xC124\xC815 \xD30C\xC77C.qx7"},
        {"\xF0\x9F\x94\x91", L"\xD83D\xDD11"},  // outside the BMP: a surrogate pair
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(WideFromUtf8(c.utf8), c.wide);
        EXPECT_EQ(Utf8FromWide(c.wide), c.utf8);
    }
}

TEST(WideText, BadSequencesBecomeReplacementCharacters) {
    // A stray continuation byte, and a lone high surrogate (a file name
    // Windows allows): neither is dropped nor cuts the text short.
    EXPECT_EQ(WideFromUtf8("a\x80z"), L"a\xFFFDz");
    const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD800), L'z'};
    EXPECT_EQ(Utf8FromWide(std::wstring_view(lone, 3)), "a\xEF\xBF\xBDz");
}

TEST(SystemErrorText, ReadsAsPartOfASentence) {
    const std::string text = SystemErrorText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '.');
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
    // A code the system has no text for is still named.
    EXPECT_EQ(SystemErrorText(0x2FFFFFFFu), "error 805306367");
}

}  // namespace
}  // namespace qx7::strings
