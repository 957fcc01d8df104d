#include <gtest/gtest.h>

#include "ui/widgets/icon_button.h"

namespace qx7::ui {
namespace {

TEST(IconButtonTest, StartsFlatWithBorder) {
    IconButton button("Rescan");
    EXPECT_TRUE(button.IsFlat());
    EXPECT_TRUE(button.HasBorder());
}

}  // namespace
}  // namespace qx7::ui
