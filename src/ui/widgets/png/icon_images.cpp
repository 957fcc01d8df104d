#include "ui/widgets/icon_images.h"

#include <QString>

// Registers the icon resources of this static library with Qt; a resource
// compiled into a static library is not registered until something calls
// its initialiser.
static void InitIconResources() { Q_INIT_RESOURCE(qx7_icon_pngs); }

namespace qx7::ui {

QImage IconImage(int id, int size) {
    static const bool registered = [] {
        InitIconResources();
        return true;
    }();
    (void)registered;
    QImage image(QStringLiteral(":/qx7/icons/%1-%2.png").arg(id).arg(size));
    if (image.isNull()) return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace qx7::ui
