#pragma once
// One picture of an icon, from the icon resources compiled into the
// toolkit: drawn from its SVG file where Qt can read SVG (svg/), else taken
// from the PNG files rendered from it when the program was built (png/).

#include <QImage>

namespace qx7::ui {

// The icon with resource id `id` as a `size` x `size` picture on a
// transparent background; a null image when there is no such icon.
QImage IconImage(int id, int size);

}  // namespace qx7::ui
