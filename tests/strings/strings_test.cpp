#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "strings/string_ids.h"
#include "strings/string_table.h"
#include "strings/text_codec.h"

namespace qx7::strings {
namespace {

// Readable failure output for UTF-16 values.
std::string Show(std::u16string_view text) { return ToUtf8(text); }

std::u16string Text(Language language, StringId id) {
    const auto entry = FindString(language, id);
    return entry ? std::u16string(*entry) : u"<missing>";
}

std::vector<StringId> StringIdsOf(Language language) {
    std::vector<StringId> ids;
    for (const std::uint16_t id : StringIds(language)) ids.push_back(static_cast<StringId>(id));
    return ids;
}

// The enumerators of StringId as string_ids.h writes them ("Name = 123,"),
// read from the header itself: the compiler cannot list an enum's names.
// Every line of the enum's body must be a name, a comment or blank, so a
// name the reader would miss fails the test instead of going unchecked.
std::map<std::string, std::uint16_t> NamedStringIds() {
    std::ifstream file(QX7_STRING_IDS_HEADER);
    EXPECT_TRUE(file.is_open()) << QX7_STRING_IDS_HEADER;
    std::map<std::string, std::uint16_t> names;
    const std::regex entry(R"(^\s*([A-Z][A-Za-z0-9]*) = ([0-9]+),\s*(//.*)?$)");
    const std::regex other(R"(^\s*(//.*)?$)");
    bool inside = false;
    std::string line;
    while (std::getline(file, line)) {
        if (!inside) {
            inside = line.starts_with("enum class StringId : std::uint16_t {");
            continue;
        }
        if (line == "};") return names;
        std::smatch match;
        if (std::regex_match(line, match, entry)) {
            const unsigned long value = std::stoul(match[2].str());
            EXPECT_LE(value, 0xFFFFu) << line;
            EXPECT_TRUE(names.emplace(match[1].str(), static_cast<std::uint16_t>(value)).second) << line;
        } else {
            EXPECT_TRUE(std::regex_match(line, other)) << "not read as a StringId: " << line;
        }
    }
    ADD_FAILURE() << "no complete StringId enum in " << QX7_STRING_IDS_HEADER;
    return names;
}

// ---------------------------------------------------------------------------
// The shipped tables

TEST(ShippedStringTables, AreWellFormedAndHoldTheSameIds) {
    for (const Language language : {Language::English, Language::Korean}) {
        const std::vector<std::string> defects = TableDefects(language);
        EXPECT_TRUE(defects.empty()) << "table " << static_cast<int>(language) << ": "
                                     << (defects.empty() ? "" : defects.front());
    }
    // The header and the tables list the same ids: every name has a text in
    // both languages, and no text is left without a name.
    std::vector<std::uint16_t> expected;
    for (const auto& [name, id] : NamedStringIds()) expected.push_back(id);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(StringIds(Language::English), expected);
    EXPECT_EQ(StringIds(Language::Korean), expected);

    for (const std::uint16_t id : expected) {
        for (const Language language : {Language::English, Language::Korean}) {
            const auto entry = FindString(language, static_cast<StringId>(id));
            ASSERT_TRUE(entry.has_value()) << id;
            EXPECT_FALSE(entry->empty()) << "entry " << id << " is empty";
        }
    }
}

TEST(StringIds, HeaderNamesEachIdOnceAndIsReadAsCompiled) {
    const std::map<std::string, std::uint16_t> names = NamedStringIds();
    std::map<std::uint16_t, std::string> by_id;
    for (const auto& [name, id] : names) {
        const auto [it, added] = by_id.emplace(id, name);
        EXPECT_TRUE(added) << id << " is named both " << it->second << " and " << name;
    }
    // The reader sees the values the compiler sees, first, last and between.
    const std::pair<const char*, StringId> compiled[] = {{"AboutProgram", StringId::AboutProgram},
                                                         {"DriveNotDetected", StringId::DriveNotDetected},
                                                         {"NoDrivesDetected", StringId::NoDrivesDetected},
                                                         {"EnterNoMoreThan", StringId::EnterNoMoreThan}};
    for (const auto& [name, id] : compiled) {
        ASSERT_TRUE(names.contains(name)) << name;
        EXPECT_EQ(names.at(name), static_cast<std::uint16_t>(id)) << name;
    }
}

// What a translation must carry over unchanged: inserts, line breaks, the
// accelerator marker and the product and brand names.
struct Markers {
    std::map<std::u16string, int> inserts;
    int line_breaks = 0;
    int ampersands = 0;
    std::vector<std::u16string> names;
    bool operator==(const Markers&) const = default;
};

Markers MarkersOf(std::u16string_view text) {
    Markers markers;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n') ++markers.line_breaks;
        if (text[i] == u'&') ++markers.ampersands;
        if (text[i] == u'%') {
            std::size_t end = i + 1;
            while (end < text.size() && end < i + 3 && text[end] >= u'0' && text[end] <= u'9') ++end;
            ++markers.inserts[std::u16string(text.substr(i, end - i))];
        }
    }
    for (const std::u16string_view name : {u"Ostrivance", u"QX7", u"Centrawatch", u"RFID"}) {
        if (text.find(name) != std::u16string_view::npos) markers.names.emplace_back(name);
    }
    return markers;
}

TEST(ShippedStringTables, KoreanKeepsInsertsBreaksAcceleratorsAndNames) {
    std::vector<StringId> untranslated;
    for (const StringId id : StringIdsOf(Language::English)) {
        const std::u16string en = Text(Language::English, id);
        const std::u16string ko = Text(Language::Korean, id);
        EXPECT_TRUE(MarkersOf(en) == MarkersOf(ko)) << static_cast<int>(id) << ": " << Show(en) << " / " << Show(ko);
        if (en == ko) untranslated.push_back(id);
    }
    // Only the entries that are nothing but a name read the same in both.
    EXPECT_EQ(untranslated, (std::vector{StringId::ProgramName, StringId::Centrawatch, StringId::Rfid}));
}

TEST(ShippedStringTables, EscapesAndUtf8AreDecoded) {
    EXPECT_EQ(Text(Language::English, StringId::ConnectedWithUserPassword),
              u"The QX7 device is connected with the User's password!\n"
              u"Please reconnect QX7 using the Administrator's password.");
    EXPECT_EQ(Text(Language::English, StringId::AboutProgram), u"&About Ostrivance QX7 Configurator");
    EXPECT_EQ(Text(Language::Korean, StringId::AboutProgram), u"Ostrivance QX7 Configurator 정보(&A)");
    EXPECT_EQ(Text(Language::Korean, StringId::CopyTags), u"태그를\n클립보드에 복사");
}

// ---------------------------------------------------------------------------
// Parsing the table format

TEST(ParseStringTable, ReadsEntriesCommentsAndEscapes) {
    const ParsedTable table = ParseStringTable(
        "\xEF\xBB\xBF"  // byte-order mark of an editor
        "# comment\t with a tab\r\n"
        "\n"
        "   \r\n"
        "7\tline\\none\\ttab\\\\n\r\n"
        "0008\t\n"
        "65535\t\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4 %1\n"
        "9\tno final newline");
    EXPECT_TRUE(table.defects.empty()) << table.defects.front();
    const std::map<std::uint16_t, std::u16string> expected{
        {7, u"line\none\ttab\\n"}, {8, u""}, {65535, u"한국어 %1"}, {9, u"no final newline"}};
    EXPECT_EQ(table.entries, expected);
}

TEST(ParseStringTable, ReportsAndSkipsBadLines) {
    struct Case {
        std::string_view line;
        std::string_view reason;
    };
    const Case cases[] = {
        {"12 no tab", "no tab"},
        {"\tno id", "identifier"},
        {"12a\ttext", "identifier"},
        {" 12\ttext", "identifier"},
        {"-1\ttext", "identifier"},
        {"65536\ttext", "identifier"},
        {"99999999999999999999\ttext", "identifier"},
        {"12\tbad \\q escape", "unknown escape"},
        {"12\tends in \\", "backslash at the end"},
        {"12\tsecond\tfield", "raw tab"},
        {"12\tbad \xC3( byte", "UTF-8"},
        {"12\tencoded surrogate \xED\xA0\x80", "UTF-8"},
        {"1\tagain", "already defined on line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line));
        const ParsedTable table = ParseStringTable("1\tfirst\n" + std::string(c.line) + "\n3\tafter\n");
        const std::map<std::uint16_t, std::u16string> expected{{1, u"first"}, {3, u"after"}};
        EXPECT_EQ(table.entries, expected);
        ASSERT_EQ(table.defects.size(), 1u);
        EXPECT_TRUE(table.defects[0].starts_with("line 2: ")) << table.defects[0];
        EXPECT_NE(table.defects[0].find(c.reason), std::string::npos) << table.defects[0];
    }
}

// ---------------------------------------------------------------------------
// Formatting

TEST(FormatResString, MissingEntryGivesQuestionMarks) {
    for (const Language language : {Language::English, Language::Korean}) {
        for (const std::uint16_t id : {0, 118, 178, 65535}) {
            EXPECT_EQ(FormatResString(language, static_cast<StringId>(id)), u"???") << id;
            EXPECT_EQ(FormatResString(language, static_cast<StringId>(id), {u"x"}), u"???") << id;
        }
    }
}

TEST(FormatResString, FillsTheVersionIntoTheUpdateTexts) {
    EXPECT_EQ(FormatResString(Language::English, StringId::UpToDate, {u"2.3.3.1"}),
              u"You are up to date!\n"
              u"Ostrivance Configurator v2.3.3.1 is currently the newest version available.");
    EXPECT_EQ(FormatResString(Language::Korean, StringId::UpdateAvailable, {u"2.3.4"}),
              u"새 업데이트가 있습니다!\nOstrivance Configurator의 최신 버전은 v2.3.4입니다.");
    // Without an argument the insert stays as written.
    EXPECT_EQ(FormatResString(Language::English, StringId::UpdateAvailable),
              u"There is a new update available!\n"
              u"Ostrivance Configurator has been updated to v%1.");
    // A text without inserts comes back unchanged, whatever is passed.
    EXPECT_EQ(FormatResString(Language::English, StringId::IncorrectPasswordLength, {u"unused"}),
              u"Incorrect password length.");
}

TEST(FillInserts, FollowsTheMessageFormatterRules) {
    const std::vector<std::u16string_view> ten{u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I", u"J"};
    struct Case {
        std::u16string_view pattern;
        std::vector<std::u16string_view> inserts;
        std::u16string_view expected;
    };
    const Case cases[] = {
        {u"a%1b", {u"X"}, u"aXb"},
        {u"%2 %1 %2", {u"A", u"B"}, u"B A B"},
        {u"[%1]", {u""}, u"[]"},
        {u"100%%", {}, u"100%"},
        {u"%%1", {u"X"}, u"%1"},
        {u"%1 and %2", {u"A"}, u"A and %2"},
        {u"%99", {}, u"%99"},
        {u"%10", {u"A"}, u"%10"},     // two digits are one insert number
        {u"%10|%100", ten, u"J|J0"},  // at most two digits
        {u"%0 %a %! end %", {u"A"}, u"%0 %a %! end %"},
        {u"%1-%2", {u"%2", u"Z"}, u"%2-Z"},  // inserts are not scanned again
        {u"v%1입니다", {u"1.0"}, u"v1.0입니다"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FillInserts(c.pattern, c.inserts), c.expected) << Show(c.pattern);
    }
}

// ---------------------------------------------------------------------------
// Text conversions

TEST(TextCodec, RoundTripsBetweenUtf8AndUtf16) {
    struct Case {
        std::string_view utf8;
        std::u16string_view utf16;
    };
    using namespace std::string_view_literals;
    const Case cases[] = {
        {"", u""},
        {"Serial 0042", u"Serial 0042"},
        {"a\0b"sv, u"a\0b"sv},
        {"\xC2\x80\xDF\xBF", u"\u0080\u07FF"},                          // two-byte limits
        {"\xE0\xA0\x80\xEF\xBF\xBF", u"\u0800\uFFFF"},                  // three-byte limits
        {"\xED\x9F\xBF\xEE\x80\x80", u"\uD7FF\uE000"},                  // around the surrogates
        {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", u"\U00010000\U0010FFFF"},  // four-byte limits
        {"\xEA\xB4\x80\xEB\xA6\xAC\xEC\x9E\x90", u"관리자"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(c.utf16), c.utf8) << Show(c.utf16);
        EXPECT_EQ(FromUtf8(c.utf8), c.utf16) << Show(c.utf16);
    }
}

TEST(TextCodec, UnpairedSurrogatesBecomeReplacementCharacters) {
    struct Case {
        std::u16string utf16;
        std::string_view utf8;
    };
    const std::u16string_view high = u"\xD83D";
    const std::u16string_view low = u"\xDE00";
    const Case cases[] = {
        {std::u16string(high), "\xEF\xBF\xBD"},
        {std::u16string(low) + u"x", "\xEF\xBF\xBDx"},
        {std::u16string(high) + u"x", "\xEF\xBF\xBDx"},
        {std::u16string(low) + std::u16string(high), "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::u16string(high) + std::u16string(high) + std::u16string(low), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToUtf8(c.utf16), c.utf8) << c.utf16.size();
    }
}

TEST(TextCodec, MalformedUtf8GivesOneReplacementPerBadByte) {
    struct Case {
        std::string_view utf8;
        std::u16string_view utf16;
    };
    const Case cases[] = {
        {"\x80", u"\uFFFD"},                                // stray continuation byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong '/'
        {"\xC1\xBF", u"\uFFFD\uFFFD"},                      // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte
        {"\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // overlong four-byte
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF5\xFF", u"\uFFFD\uFFFD"},                      // never valid
        {"ab\xE2\x82", u"ab\uFFFD\uFFFD"},                  // truncated at the end
        {"\xF0\x9F\x98x", u"\uFFFD\uFFFD\uFFFDx"},          // interrupted by ASCII
        {"\xC3\xC3\xA9", u"\uFFFD\u00E9"},                  // interrupted by a new lead
        {"\x80\xEA\xB4\x80", u"\uFFFD관"},                  // recovers on the next lead
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FromUtf8(c.utf8), c.utf16) << Show(c.utf16);
    }
}

TEST(TextCodec, Latin1MapsEachByteToItsCodePoint) {
    const std::vector<std::uint8_t> bytes{0x00, 0x41, 0x7F, 0x80, 0xA0, 0xE9, 0xFF};
    EXPECT_EQ(FromLatin1(bytes), (std::u16string{u'\0', u'A', u'\x7F', u'\x80', u'\xA0', u'\xE9', u'\xFF'}));
    EXPECT_EQ(FromLatin1({}), u"");
}

}  // namespace
}  // namespace qx7::strings
