#pragma once
// The program's icons, by their resource ids, drawn from the SVG files in
// resources/icons/ that are compiled into the toolkit library.

#include <QIcon>
#include <QSize>

namespace qx7::ui {

// The icon with resource id `id`, scalable to any size; its first available
// size is the icon's own size. A null icon for an unknown id.
QIcon LoadIcon(int id);

// The icon's own size, or an empty size for an unknown id.
QSize NativeIconSize(int id);

}  // namespace qx7::ui
