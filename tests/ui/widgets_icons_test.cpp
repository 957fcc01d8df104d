// The program's icons: every id the windows use loads from the compiled-in
// resources at its own size and draws something.

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include "ui/widgets/icons.h"

namespace qx7::ui {
namespace {

TEST(IconsTest, EveryIconLoadsAtItsOwnSizeAndDrawsSomething) {
    const std::vector<std::pair<int, int>> icons = {
        {176, 16}, {187, 32}, {188, 16}, {189, 16}, {190, 32}, {196, 32}, {197, 32}, {198, 32},
        {199, 24}, {200, 24}, {201, 16}, {203, 32}, {205, 24}, {206, 24}, {208, 32},
    };
    for (const auto& [id, size] : icons) {
        const QIcon icon = LoadIcon(id);
        ASSERT_FALSE(icon.isNull()) << id;
        EXPECT_EQ(NativeIconSize(id), QSize(size, size)) << id;
        ASSERT_FALSE(icon.availableSizes().isEmpty()) << id;
        EXPECT_EQ(icon.availableSizes().front(), QSize(size, size)) << id;
        const QImage image = icon.pixmap(size).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
            }
        }
        EXPECT_GT(opaque, size * size / 20) << id;
    }
}

TEST(IconsTest, UnknownIdGivesANullIcon) {
    EXPECT_TRUE(LoadIcon(128).isNull());
    EXPECT_TRUE(NativeIconSize(128).isEmpty());
}

}  // namespace
}  // namespace qx7::ui
