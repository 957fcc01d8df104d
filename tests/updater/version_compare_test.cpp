#include <gtest/gtest.h>

#include <string>

#include "strings/text_codec.h"
#include "updater/own_version.h"
#include "updater/version_compare.h"

namespace qx7::updater {
namespace {

struct ComparisonCase {
    std::u16string first;
    std::u16string second;
    int expected;
};

TEST(CompareVersions, FollowsTheFieldRules) {
    const ComparisonCase cases[] = {
        {u"2.3.3.1", u"2.3.3.1", 0},
        {u"2.3.4", u"2.3.3.1", 1},  // missing revision counts as 0
        {u"2.3.3", u"2.3.3.1", -1},
        {u"2.3.3.0", u"2.3.3", 0},
        {u"2.10", u"2.3.3.1", 1},  // numeric, not textual
        {u"3", u"2.99.99.99", 1},  // the first differing field decides
        {u"2.3.3.2", u"2.3.4.0", -1},
        {u"2..4.", u"2.4", 0},  // empty pieces are skipped
        {u".2.4", u"2.4.0.0", 0},
        {u"2.4....1", u"2.4.1", 0},
        {u"002.03", u"2.3", 0},              // leading zeros
        {u"2147483647", u"99999999999", 0},  // values saturate
        {u"2147483648", u"2147483647", 0},
        {u"2147483646", u"99999999999", -1},
        {u"2.3.3.1\n", u"2.3.3.1", -21},  // a line end is not a digit
        {u"2.3.3.1\r\n", u"2.3.3.1", -21},
        {u"1.2.3.4.5", u"2.3.3.1", -21},  // five fields
        {u"1.2.3.4.", u"1.2.3.4", 0},     // a trailing dot adds no field
        {u"2.3a", u"2.3", -21},
        {u"2.-3", u"2.3", -21},
        {u"+2.3", u"2.3", -21},
        {u" 2.3", u"2.3", -21},
        {u"", u"2.3", -21},
        {u"...", u"2.3", -21},
        {u"2.\u0663", u"2.3", -21},  // a non-ASCII digit
        {u"2.3", u"", -22},
        {u"2.3", u"x", -22},
        {u"bad", u"bad", -21},  // the first string is checked first
    };
    for (const ComparisonCase& c : cases) {
        EXPECT_EQ(CompareVersions(c.first, c.second), c.expected)
            << '"' << strings::ToUtf8(c.first) << "\" vs \"" << strings::ToUtf8(c.second) << '"';
    }
}

TEST(VersionText, WritesTwoFieldsWhenBuildAndRevisionAreZero) {
    const struct {
        FileVersion version;
        std::u16string expected;
    } cases[] = {
        {{2, 3, 3, 1}, u"2.3.3.1"},
        {{2, 4, 0, 0}, u"2.4"},
        {{2, 4, 0, 7}, u"2.4.0.7"},
        {{2, 4, 1, 0}, u"2.4.1.0"},
        {{0, 0, 0, 1}, u"0.0.0.1"},
        {{0, 0, 0, 0}, u""},
        {{65535, 65535, 65535, 65535}, u"65535.65535.65535.65535"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strings::ToUtf8(VersionText(c.version)), strings::ToUtf8(c.expected));
    }
    // The compiled-in version is the project's.
    EXPECT_EQ(CompareVersions(VersionText(CompiledFileVersion()), u"" QX7_VERSION_TEXT), 0);
}

}  // namespace
}  // namespace qx7::updater
