#include "strings/control_escape.h"

#include <gtest/gtest.h>

namespace qx7::strings {
namespace {

TEST(EscapeControlCharacters, EscapesC0DelAndC1AndKeepsEverythingElse) {
    const struct {
        std::u16string in;
        std::u16string out;
    } cases[] = {
        {u"QX7SIM0000000001", u"QX7SIM0000000001"},
        {u"AB\x1b[2J\r\nline 1: X: configured", u"AB\\x1B[2J\\x0D\\x0Aline 1: X: configured"},
        {std::u16string(u"A\0B", 3), u"A\\x00B"},
        {u"\x7f\x80\x9b\x9f\xa0", u"\\x7F\\x80\\x9B\\x9F\xa0"},
        {u"S\u00e9rie \ud55c", u"S\u00e9rie \ud55c"},  // printable non-ASCII stays
        // A backslash is doubled, so a drive's "\x41" is not taken for "A".
        {u"A\\x41\\", u"A\\\\x41\\\\"},
        // Bidirectional controls would reorder what follows them.
        {u"QX7\u202Egpj.exe", u"QX7\\u202Egpj.exe"},
        {u"\u061C\u200E\u200F\u202A\u2066\u2069\u2067", u"\\u061C\\u200E\\u200F\\u202A\\u2066\\u2069\\u2067"},
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeControlCharacters(c.in), c.out);
    // UTF-8: U+009B is C2 9B, a control character in an 8-bit-clean terminal.
    EXPECT_EQ(EscapeControlCharacters(std::string_view("x\xc2\x9b"
                                                       "1m\ty")),
              "x\\x9B1m\\x09y");
}

TEST(EscapeControlCharacters, ForReadingAPathKeepsItsBackslashesButNotItsControls) {
    EXPECT_EQ(EscapeControlCharactersForReading(u"C:\\Users\\\ud55c\\site.qx7"), u"C:\\Users\\\ud55c\\site.qx7");
    EXPECT_EQ(EscapeControlCharactersForReading(u"C:\\a\x1b[2J\u202Eb"), u"C:\\a\\x1B[2J\\u202Eb");
}

}  // namespace
}  // namespace qx7::strings
