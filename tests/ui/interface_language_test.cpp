// The interface language at start follows the user's first interface
// language: Korean for Korean, English for every other.

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

// The first interface language decides; a later Korean one does not.
TEST(InterfaceLanguage, TheFirstInterfaceLanguageDecides) {
    const struct {
        QStringList ui_languages;
        strings::Language expected;
    } cases[] = {
        {{"ko-KR", "en-US"}, strings::Language::Korean},
        {{"ko"}, strings::Language::Korean},
        {{"en-US", "ko-KR"}, strings::Language::English},
        {{"C"}, strings::Language::English},
        {{}, strings::Language::English},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageForUiLanguages(c.ui_languages), c.expected) << c.ui_languages.join(u',').toStdString();
    }
}

}  // namespace
}  // namespace qx7::ui
