#pragma once
// Qt's own texts (standard buttons) in a language for the life of the
// object; English again afterwards.

#include "strings/string_table.h"
#include "ui/widgets/interface_language.h"

namespace qx7::ui::test_support {

class QtTextsIn {
public:
    explicit QtTextsIn(strings::Language language) { InstallQtTranslations(language); }
    ~QtTextsIn() { InstallQtTranslations(strings::Language::English); }
    QtTextsIn(const QtTextsIn&) = delete;
    QtTextsIn& operator=(const QtTextsIn&) = delete;
};

// A button caption without its mnemonic marker ("&OK" -> "OK").
inline QString Caption(const QString& text) {
    QString plain = text;
    return plain.remove(QLatin1Char('&'));
}

}  // namespace qx7::ui::test_support
