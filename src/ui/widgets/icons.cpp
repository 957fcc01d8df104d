#include "ui/widgets/icons.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QString>
#include <QSvgRenderer>

#include <array>
#include <vector>

// Registers the icon resources of this static library with Qt; a resource
// compiled into a static library is not registered until something calls
// its initialiser.
static void InitIconResources() { Q_INIT_RESOURCE(qx7_icons); }

namespace qx7::ui {

namespace {

struct IconEntry {
    int id;
    int native_size;
};

constexpr std::array<IconEntry, 15> kIcons{{
    {176, 16},  // folder
    {187, 32},  // settings
    {188, 16},  // close
    {189, 16},  // minimise-looking band button
    {190, 32},  // help
    {196, 32},  // upload
    {197, 32},  // import
    {198, 32},  // exit
    {199, 24},  // copy
    {200, 24},  // extended settings
    {201, 16},  // clear tags
    {203, 32},  // rescan
    {205, 24},  // save as
    {206, 24},  // read tag
    {208, 32},  // application
}};

constexpr std::array<int, 10> kRenderSizes{16, 20, 24, 32, 40, 48, 64, 96, 128, 256};

const IconEntry* FindIcon(int id) {
    for (const IconEntry& entry : kIcons) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

QSize NativeIconSize(int id) {
    const IconEntry* entry = FindIcon(id);
    return entry != nullptr ? QSize(entry->native_size, entry->native_size) : QSize();
}

QIcon LoadIcon(int id) {
    static const bool registered = [] {
        InitIconResources();
        return true;
    }();
    (void)registered;
    const IconEntry* entry = FindIcon(id);
    if (entry == nullptr) {
        return QIcon();
    }
    QSvgRenderer renderer(QStringLiteral(":/qx7/icons/%1.svg").arg(id));
    if (!renderer.isValid()) {
        return QIcon();
    }
    // Rendered once per size, own size first so that it is the icon's first
    // available size; the larger sizes serve high-density screens.
    QIcon icon;
    std::vector<int> sizes{entry->native_size};
    for (int size : kRenderSizes) {
        if (size != entry->native_size) {
            sizes.push_back(size);
        }
    }
    for (int size : sizes) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace qx7::ui
