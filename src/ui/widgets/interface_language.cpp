#include "ui/widgets/interface_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace qx7::ui {

strings::Language LanguageForLocale(const QLocale& locale) {
    return locale.language() == QLocale::Korean ? strings::Language::Korean : strings::Language::English;
}

strings::Language LanguageForUiLanguages(const QStringList& ui_languages) {
    if (ui_languages.isEmpty()) return strings::Language::English;
    return LanguageForLocale(QLocale(ui_languages.front()));
}

void InstallQtTranslations(strings::Language language) {
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    if (language != strings::Language::Korean) return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Korean), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
    }
}

}  // namespace qx7::ui
