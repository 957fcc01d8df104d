#pragma once
// A string-table text of the given language as a QString, for the widgets.

#include <QString>

#include "strings/string_table.h"

namespace qx7::ui {

inline QString ResText(strings::Language language, strings::StringId id) {
    return QString::fromStdU16String(strings::FormatResString(language, id));
}

}  // namespace qx7::ui
