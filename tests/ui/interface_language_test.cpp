// The interface language at start follows the system locale: Korean for a
// Korean locale, English for every other.

#include <QLocale>

#include <gtest/gtest.h>

#include "ui/widgets/interface_language.h"

namespace qx7::ui {
namespace {

TEST(InterfaceLanguage, KoreanLocalesGiveKoreanEveryOtherEnglish) {
    const struct {
        const char* locale;
        strings::Language expected;
    } cases[] = {
        {"ko_KR", strings::Language::Korean},  {"ko", strings::Language::Korean},
        {"en_US", strings::Language::English}, {"de_DE", strings::Language::English},
        {"ja_JP", strings::Language::English}, {"C", strings::Language::English},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageForLocale(QLocale(QString::fromLatin1(c.locale))), c.expected) << c.locale;
    }
}

}  // namespace
}  // namespace qx7::ui
