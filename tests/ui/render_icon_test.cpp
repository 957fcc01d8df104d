// qx7-render-icon, the build's icon renderer, run as a program: the Windows
// icon file it writes is read back field by field, and every image in it
// must decode as a PNG image of the size its entry names.

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace qx7::ui {
namespace {

#ifdef QX7_RENDER_ICON_PATH

struct IcoEntry {
    int width = 0;
    int height = 0;
    int planes = 0;
    int bits = 0;
    std::uint32_t length = 0;
    std::uint32_t offset = 0;
};

std::uint32_t LittleEndian(const QByteArray& bytes, qsizetype at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

int RunRenderer(const QStringList& arguments) {
    QProcess renderer;
    renderer.start(QStringLiteral(QX7_RENDER_ICON_PATH), arguments);
    if (!renderer.waitForFinished(60000) || renderer.exitStatus() != QProcess::NormalExit) return -1;
    return renderer.exitCode();
}

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

int OpaquePixels(const QImage& image) {
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    }
    return opaque;
}

TEST(RenderIconTest, IcoFileHoldsOnePngImagePerSizeInOrder) {
    test::TempFolder folder("qx7-render-icon");
    const std::filesystem::path ico = folder / "app.ico";
    const std::filesystem::path png = folder / "app-40.png";
    ASSERT_EQ(RunRenderer({QStringLiteral(QX7_APP_ICON_SVG), "16,24,48,256=" + PathText(ico), "40=" + PathText(png)}),
              0);

    QFile file(PathText(ico));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GE(bytes.size(), 6);
    EXPECT_EQ(LittleEndian(bytes, 0, 2), 0u);  // reserved
    EXPECT_EQ(LittleEndian(bytes, 2, 2), 1u);  // an icon, not a cursor
    const std::vector<int> sizes = {16, 24, 48, 256};
    ASSERT_EQ(LittleEndian(bytes, 4, 2), sizes.size());
    const qsizetype directory_end = 6 + 16 * static_cast<qsizetype>(sizes.size());
    ASSERT_GE(bytes.size(), directory_end);

    std::uint32_t next_image = static_cast<std::uint32_t>(directory_end);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const qsizetype at = 6 + 16 * static_cast<qsizetype>(i);
        IcoEntry entry;
        entry.width = static_cast<int>(LittleEndian(bytes, at, 1));
        entry.height = static_cast<int>(LittleEndian(bytes, at + 1, 1));
        entry.planes = static_cast<int>(LittleEndian(bytes, at + 4, 2));
        entry.bits = static_cast<int>(LittleEndian(bytes, at + 6, 2));
        entry.length = LittleEndian(bytes, at + 8, 4);
        entry.offset = LittleEndian(bytes, at + 12, 4);
        SCOPED_TRACE("size " + std::to_string(sizes[i]));
        // 256 does not fit the entry's byte and is written as 0.
        EXPECT_EQ(entry.width, sizes[i] % 256);
        EXPECT_EQ(entry.height, sizes[i] % 256);
        EXPECT_EQ(LittleEndian(bytes, at + 2, 1), 0u);  // no palette
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bits, 32);
        // The images follow the directory back to back, within the file.
        EXPECT_EQ(entry.offset, next_image);
        ASSERT_LE(static_cast<qint64>(entry.offset) + entry.length, bytes.size());
        next_image = entry.offset + entry.length;

        const QByteArray image_bytes = bytes.mid(entry.offset, entry.length);
        EXPECT_TRUE(image_bytes.startsWith("\x89PNG\r\n\x1a\n"));
        QImage image;
        ASSERT_TRUE(image.loadFromData(image_bytes, "PNG"));
        EXPECT_EQ(image.size(), QSize(sizes[i], sizes[i]));
        EXPECT_GT(OpaquePixels(image), sizes[i] * sizes[i] / 20);
    }
    EXPECT_EQ(next_image, static_cast<std::uint32_t>(bytes.size()));  // nothing after the last image

    // A PNG target beside an icon file is written as before.
    QImage single;
    ASSERT_TRUE(single.load(PathText(png), "PNG"));
    EXPECT_EQ(single.size(), QSize(40, 40));
}

TEST(RenderIconTest, RejectsTargetsAnIcoFileCannotHoldAndWritesNothing) {
    test::TempFolder folder("qx7-render-icon");
    const std::filesystem::path out = folder / "out.ico";
    const std::filesystem::path out_png = folder / "out.png";
    const std::vector<QString> rejected = {
        "0,16=" + PathText(out),       // no image of size 0
        "16,257=" + PathText(out),     // an entry holds sizes up to 256
        "16,16=" + PathText(out),      // one image per size
        "16,x=" + PathText(out),       // sizes are numbers
        "16,=" + PathText(out),        // with none left out
        "=" + PathText(out),           // and at least one
        "16,32=" + PathText(out_png),  // a PNG file holds one size
    };
    for (const QString& target : rejected) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_EQ(RunRenderer({QStringLiteral(QX7_APP_ICON_SVG), "16=" + PathText(folder / "first.png"), target}), 2);
        // Arguments are checked before anything is written.
        EXPECT_FALSE(std::filesystem::exists(folder / "first.png"));
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(out_png));
    }
}

#else

TEST(RenderIconTest, IcoFileHoldsOnePngImagePerSizeInOrder) {
    GTEST_SKIP() << "qx7-render-icon is a tool of the native (Linux) build; this build has none";
}

#endif

}  // namespace
}  // namespace qx7::ui
