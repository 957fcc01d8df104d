// The extended options: the boxes a mask ticks, and what the dialog's OK
// does to the form.

#include <gtest/gtest.h>

#include <set>

#include "editor/form_fixture.h"
#include "protocol/constants.h"

namespace qx7::editor::test {
namespace {

TEST_F(SettingsFormTest, AMaskTicksItsBoxesAndComesBackUnchanged) {
    const std::uint32_t mask = 0x1804;
    std::set<std::uint16_t> ticked;
    std::uint32_t rebuilt = 0;
    for (const ExtendedOptionBox& box : ExtendedOptionBoxes()) {
        if (box.bit & mask) {
            ticked.insert(box.control);
            rebuilt |= box.bit;
        }
    }
    // "Disable Self Destruct Change", "Read-Only Mode" and "Auto-Lock".
    EXPECT_EQ(ticked, (std::set<std::uint16_t>{1121, 1126, 1129}));
    EXPECT_EQ(rebuilt, mask);

    form.ApplyExtendedOptions({rebuilt, false});
    view.SetRadioIndex(ControlId::RfidEnable, kDisable);
    const auto gathered = Gather();
    ASSERT_TRUE(gathered);
    EXPECT_EQ(gathered->upload.settings.block_menu_mask, 0x1804u);
}

TEST_F(SettingsFormTest, TheBoxesCoverEightDistinctMenuBitsAndTheAdminMode) {
    std::uint32_t all = 0;
    int admin_boxes = 0;
    for (const ExtendedOptionBox& box : ExtendedOptionBoxes()) {
        EXPECT_EQ(all & box.bit, 0u) << box.control;
        all |= box.bit;
        admin_boxes += box.bit == 0 ? 1 : 0;
    }
    EXPECT_EQ(admin_boxes, 1);
    EXPECT_EQ(ExtendedOptionBoxes().front().control, 1128);
    EXPECT_EQ(all, 0x4u | 0x8 | 0x10 | 0x20 | 0x80 | 0x200 | 0x800 | 0x1000);
}

TEST_F(SettingsFormTest, OkWithEveryBoxUntickedClearsBitsTheDialogDoesNotShow) {
    storage::ConfigFilePayload file;
    file.settings.block_menu_mask = 0x40 | 0x4;
    form.ApplyConfigPayload(file);
    ASSERT_EQ(form.extended_options().mask, 0x44u);
    form.ApplyExtendedOptions({0, false});
    EXPECT_EQ(form.extended_options().mask, 0u);
}

TEST_F(SettingsFormTest, AdministratorModeIsOnlyEverTurnedOn) {
    form.ApplyExtendedOptions({0x8, true});
    EXPECT_TRUE(form.extended_options().centrawatch_admin_mode);
    form.ApplyExtendedOptions({0x10, false});
    EXPECT_TRUE(form.extended_options().centrawatch_admin_mode);
    EXPECT_EQ(form.extended_options().mask, 0x10u);
}

}  // namespace
}  // namespace qx7::editor::test
