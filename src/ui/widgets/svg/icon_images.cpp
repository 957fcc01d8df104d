#include "ui/widgets/icon_images.h"

#include <QPainter>
#include <QString>
#include <QSvgRenderer>

// Registers the icon resources of this static library with Qt; a resource
// compiled into a static library is not registered until something calls
// its initialiser.
static void InitIconResources() { Q_INIT_RESOURCE(qx7_icons); }

namespace qx7::ui {

QImage IconImage(int id, int size) {
    static const bool registered = [] {
        InitIconResources();
        return true;
    }();
    (void)registered;
    QSvgRenderer renderer(QStringLiteral(":/qx7/icons/%1.svg").arg(id));
    if (!renderer.isValid()) return QImage();
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

}  // namespace qx7::ui
