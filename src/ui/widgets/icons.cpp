#include "ui/widgets/icons.h"

#include <QImage>
#include <QPixmap>

#include <array>
#include <vector>

#include "ui/widgets/icon_images.h"

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
    const IconEntry* entry = FindIcon(id);
    if (entry == nullptr) {
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
        const QImage image = IconImage(id, size);
        if (image.isNull()) return QIcon();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

}  // namespace qx7::ui
