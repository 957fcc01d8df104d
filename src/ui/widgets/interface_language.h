#pragma once
// The interface language: Korean when the user's first interface language
// is Korean, English for every other; Qt's own texts (file dialogs, message-box buttons) follow the
// program's language through Qt's translations.

#include <QLocale>
#include <QStringList>

#include "strings/string_table.h"

namespace qx7::ui {

strings::Language LanguageForLocale(const QLocale& locale);

// The language for the user's interface languages, most preferred first
// (QLocale::system().uiLanguages(): the display language on Windows, the
// LANGUAGE, LC_MESSAGES and LANG settings on Linux).
strings::Language LanguageForUiLanguages(const QStringList& ui_languages);

// Installs Qt's translations for `language` in the application (English:
// none), replacing those installed before.
void InstallQtTranslations(strings::Language language);

}  // namespace qx7::ui
