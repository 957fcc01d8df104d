// The form's RFID tag slots: reading into the first free slot, duplicates,
// clearing, administrator marks and the clipboard text.

#include <gtest/gtest.h>

#include "editor/form_fixture.h"

namespace qx7::editor::test {
namespace {

using C = ControlId;
using protocol::RfidTag;

TEST(TagText, OneUpperCaseHexPairAndASpacePerIdentifierByte) {
    RfidTag tag;
    tag.uid = {0x04, 0xA1, 0xB2, 0xC3, 0xFF};
    tag.uid_length = 3;
    EXPECT_EQ(TagText(tag), u"04 A1 B2 ");
    tag.uid_length = 0;
    EXPECT_EQ(TagText(tag), u"");
    // A length beyond the identifier field shows the field, nothing past it.
    tag.uid_length = 200;
    EXPECT_EQ(TagText(tag).size(), 16u * 3u);
}

class TagSlotTest : public SettingsFormTest {
protected:
    std::array<std::uint8_t, 5> States() const { return form.tag_slots().state; }
};

TEST_F(TagSlotTest, ATagLandsInTheFirstFreeSlot) {
    ReadTag(Tag({0x01}));
    ReadTag(Tag({0x02}));
    form.tag_slots().state[0] = kSlotEmpty;  // a slot freed earlier is reused first
    ReadTag(Tag({0x03, 0x04}));
    EXPECT_EQ(States(), (std::array<std::uint8_t, 5>{kSlotTag, kSlotTag, 0, 0, 0}));
    EXPECT_EQ(form.tag_slots().tags[0], Tag({0x03, 0x04}));
    EXPECT_EQ(view.Text(C::TagField1), u"03 04 ");
    EXPECT_EQ(view.Text(C::TagField2), u"02 ");
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(TagSlotTest, AReadThatMatchesAnySlotIsAlreadyRegistered) {
    ReadTag(Tag({0x01, 0x02}));
    ReadTag(Tag({0x01, 0x02}));
    ReadTag(RfidTag{});  // 19 zero bytes equal an empty slot
    EXPECT_EQ(notifier.texts(),
              (std::vector<std::u16string>{u"RFID tag is already registered.", u"RFID tag is already registered."}));
    EXPECT_EQ(form.tag_slots().occupied(), 1u);
}

TEST_F(TagSlotTest, FullSlotsRefuseWithoutAskingTheReader) {
    for (std::uint8_t i = 1; i <= 5; ++i) ReadTag(Tag({i}));
    bool asked = false;
    form.ReadRfidTag([&] {
        asked = true;
        return std::optional<RfidTag>(Tag({0x09}));
    });
    EXPECT_FALSE(asked);
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"RFID tag data is full!"});
}

TEST_F(TagSlotTest, AFailedReadChangesNothingAndSaysNothing) {
    view.SetText(C::CurrentPassword, u"TYPED");  // not yet read into the form
    form.ReadRfidTag([] { return std::optional<RfidTag>(); });
    EXPECT_EQ(form.tag_slots().occupied(), 0u);
    EXPECT_TRUE(notifier.messages.empty());
    EXPECT_EQ(view.Text(C::CurrentPassword), u"TYPED");
}

TEST_F(TagSlotTest, ClearAllKeepsAdministratorSlots) {
    ReadTag(Tag({0x01}));
    ReadTag(Tag({0x02}));
    view.SetChecked(C::AdminTag1, true);
    form.ToggleAdminTag(0);
    form.EnableTagControls(false);
    form.ClearAllTags();
    EXPECT_EQ(States(), (std::array<std::uint8_t, 5>{kSlotAdminTag, 0, 0, 0, 0}));
    EXPECT_EQ(form.tag_slots().tags[0], Tag({0x01}));
    EXPECT_EQ(form.tag_slots().tags[1], RfidTag{});
    EXPECT_EQ(view.Text(C::TagField1), u"01 ");
    EXPECT_EQ(view.Text(C::TagField2), u"");
    EXPECT_FALSE(view.Enabled(C::TagField1));
    EXPECT_TRUE(view.Enabled(C::TagField2));
    EXPECT_TRUE(view.Enabled(C::ReadRfidTag));
}

TEST_F(TagSlotTest, TickingAnAdminBoxOnAnEmptySlotWarnsAndUnticks) {
    view.SetChecked(C::AdminTag2, true);
    form.ToggleAdminTag(1);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0].text, u"RFID tag data is empty!");
    EXPECT_EQ(notifier.messages[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(view.Checked(C::AdminTag2));
    EXPECT_EQ(States()[1], kSlotEmpty);
}

TEST_F(TagSlotTest, AdminMarkFollowsTheBoxAndTheFieldText) {
    ReadTag(Tag({0x01}));
    view.SetChecked(C::AdminTag1, true);
    form.ToggleAdminTag(0);
    EXPECT_EQ(States()[0], kSlotAdminTag);
    EXPECT_FALSE(view.Enabled(C::TagField1));

    view.SetChecked(C::AdminTag1, false);
    form.ToggleAdminTag(0);
    EXPECT_EQ(States()[0], kSlotTag);
    EXPECT_TRUE(view.Enabled(C::TagField1));

    // Unticked over an emptied field: the slot is freed and zeroed.
    view.SetChecked(C::AdminTag1, true);
    form.ToggleAdminTag(0);
    view.SetText(C::TagField1, u"");
    view.SetChecked(C::AdminTag1, false);
    form.ToggleAdminTag(0);
    EXPECT_EQ(States()[0], kSlotEmpty);
    EXPECT_EQ(form.tag_slots().tags[0], RfidTag{});
}

TEST_F(TagSlotTest, ClipboardTextJoinsTheFieldsByPosition) {
    const struct {
        std::array<std::u16string, 5> fields;
        std::u16string text;
    } cases[] = {
        {{u"A", u"", u"B", u"", u""}, u"A,B"},
        {{u"", u"B", u"", u"", u""}, u",B"},
        {{u"A", u"B", u"C", u"D", u"E"}, u"A,B,C,D,E"},
        {{u"", u"", u"", u"", u""}, u""},
    };
    for (const auto& c : cases) {
        for (int slot = 0; slot < 5; ++slot) view.SetText(TagField(slot), c.fields[static_cast<std::size_t>(slot)]);
        EXPECT_EQ(form.TagsClipboardText(), c.text);
    }
}

}  // namespace
}  // namespace qx7::editor::test
