#pragma once
// The interface language: Korean for a Korean system locale, English for
// every other; Qt's own texts (file dialogs, message-box buttons) follow the
// program's language through Qt's translations.

#include <QLocale>

#include "strings/string_table.h"

namespace qx7::ui {

strings::Language LanguageForLocale(const QLocale& locale);

// Installs Qt's translations for `language` in the application (English:
// none), replacing those installed before.
void InstallQtTranslations(strings::Language language);

}  // namespace qx7::ui
