// Renders an SVG icon into square PNG files, and into Windows icon files:
//   qx7-render-icon ICON.svg TARGET [TARGET ...]
// where each TARGET is SIZE=OUT.png (one PNG image, SIZE 1 to 1024) or
// SIZE,SIZE,...=OUT.ico (one icon file holding a PNG image of each size,
// SIZE 1 to 256, no size twice). The icon is scaled to fill each square
// (keeping its proportions), on a transparent background.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <QSvgRenderer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kLargestPng = 1024;
// An icon file's directory entry holds the width and height in one byte
// each, 0 standing for 256.
constexpr int kLargestIcoImage = 256;
constexpr qsizetype kIcoHeaderSize = 6;
constexpr qsizetype kIcoEntrySize = 16;

struct Target {
    std::vector<int> sizes;  // one for a PNG file
    QString path;
    bool ico = false;
};

bool ParseTarget(const QString& argument, Target* target) {
    const qsizetype equals = argument.indexOf(u'=');
    if (equals <= 0 || equals + 1 == argument.size()) return false;
    target->path = argument.mid(equals + 1);
    target->ico = target->path.endsWith(QStringLiteral(".ico"), Qt::CaseInsensitive);
    const QStringList numbers = argument.left(equals).split(u',');
    if (!target->ico && numbers.size() != 1) return false;
    const int largest = target->ico ? kLargestIcoImage : kLargestPng;
    for (const QString& text : numbers) {
        bool number = false;
        const int size = text.toInt(&number);
        if (!number || size < 1 || size > largest) return false;
        if (std::find(target->sizes.begin(), target->sizes.end(), size) != target->sizes.end()) return false;
        target->sizes.push_back(size);
    }
    return true;
}

QImage Render(QSvgRenderer& renderer, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

void AppendLittleEndian(QByteArray* out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An icon file: its header, one directory entry per image, then the images
// as PNG data in the same order. Windows (Vista and later) reads PNG images
// of every size from icon files and icon resources.
bool BuildIco(QSvgRenderer& renderer, const std::vector<int>& sizes, QByteArray* out) {
    std::vector<QByteArray> pngs;
    for (const int size : sizes) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!Render(renderer, size).save(&buffer, "PNG")) return false;
        pngs.push_back(png);
    }
    out->clear();
    AppendLittleEndian(out, 0, 2);  // reserved
    AppendLittleEndian(out, 1, 2);  // type: icon
    AppendLittleEndian(out, static_cast<std::uint32_t>(sizes.size()), 2);
    qint64 offset = kIcoHeaderSize + kIcoEntrySize * static_cast<qsizetype>(sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        // Offsets and lengths are 32-bit: far beyond any icon, but checked.
        if (offset + pngs[i].size() > static_cast<qint64>(UINT32_MAX)) return false;
        const std::uint32_t side = sizes[i] == kLargestIcoImage ? 0 : static_cast<std::uint32_t>(sizes[i]);
        AppendLittleEndian(out, side, 1);  // width
        AppendLittleEndian(out, side, 1);  // height
        AppendLittleEndian(out, 0, 1);     // no palette
        AppendLittleEndian(out, 0, 1);     // reserved
        AppendLittleEndian(out, 1, 2);     // colour planes
        AppendLittleEndian(out, 32, 2);    // bits per pixel
        AppendLittleEndian(out, static_cast<std::uint32_t>(pngs[i].size()), 4);
        AppendLittleEndian(out, static_cast<std::uint32_t>(offset), 4);
        offset += pngs[i].size();
    }
    for (const QByteArray& png : pngs) out->append(png);
    return true;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

int main(int argc, char** argv) {
    // No window is opened: the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: qx7-render-icon ICON.svg SIZE=OUT.png|SIZE,SIZE,...=OUT.ico ...\n");
        return 2;
    }
    std::vector<Target> targets;
    for (qsizetype i = 2; i < arguments.size(); ++i) {
        Target target;
        if (!ParseTarget(arguments[i], &target)) {
            std::fprintf(stderr,
                         "qx7-render-icon: %s is neither SIZE=OUT.png (SIZE 1 to 1024) nor "
                         "SIZE,SIZE,...=OUT.ico (SIZE 1 to 256, each once)\n",
                         qPrintable(arguments[i]));
            return 2;
        }
        targets.push_back(target);
    }
    QSvgRenderer renderer(arguments[1]);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "qx7-render-icon: %s is not a readable SVG file\n", qPrintable(arguments[1]));
        return 1;
    }
    for (const Target& target : targets) {
        bool written = false;
        if (target.ico) {
            QByteArray ico;
            written = BuildIco(renderer, target.sizes, &ico) && WriteFile(target.path, ico);
        } else {
            written = Render(renderer, target.sizes.front()).save(target.path, "PNG");
        }
        if (!written) {
            std::fprintf(stderr, "qx7-render-icon: cannot write %s\n", qPrintable(target.path));
            return 1;
        }
    }
    return 0;
}
