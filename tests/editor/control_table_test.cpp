// The control table holds together: each id names one control, the values
// are exchanged in one unbroken order with one JSON key each, and every
// control of a group box lies inside it.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "editor/control_table.h"

namespace qx7::editor {
namespace {

TEST(ControlTableTest, EachIdAndKeyNamesOneControl) {
    std::set<ControlId> ids;
    std::set<std::string> keys;
    for (const ControlRow& row : ControlRows()) {
        for (const ControlId id : {row.id, row.partner}) {
            if (id != ControlId{}) {
                EXPECT_TRUE(ids.insert(id).second) << static_cast<int>(id);
            }
        }
        if (row.json_key != nullptr) {
            EXPECT_TRUE(keys.insert(row.json_key).second) << row.json_key;
            // A key sets a value the form exchanges.
            EXPECT_NE(row.exchange, 0) << row.json_key;
        }
        if (row.id != ControlId{}) {
            EXPECT_EQ(FindControl(row.id), &row);
        }
    }
    EXPECT_EQ(FindControl(ControlId{}), nullptr);
    EXPECT_EQ(SecondOfPair(ControlId::KeyToneEnable), ControlId::KeyToneDisable);
    EXPECT_EQ(SecondOfPair(ControlId::ReadOnlyEnable), ControlId::ReadOnlyDisable);
    EXPECT_EQ(SecondOfPair(ControlId::KeyToneDisable), ControlId{});
}

TEST(ControlTableTest, ValuesAreExchangedInOneUnbrokenOrder) {
    int previous = 0;
    for (const ControlRow* row : ValueRows()) {
        // The tag fields and the admin-tag boxes share a place each.
        EXPECT_TRUE(row->exchange == previous || row->exchange == previous + 1) << static_cast<int>(row->id);
        previous = row->exchange;
        // Every kind that holds a value keeps it where the kind says.
        switch (row->kind) {
            case ControlKind::Edit: ASSERT_NE(row->value.text, nullptr); break;
            case ControlKind::Check: ASSERT_NE(row->value.flag, nullptr); break;
            case ControlKind::RadioFirst:
            case ControlKind::Number:
            case ControlKind::Combo: ASSERT_NE(row->value.number, nullptr); break;
            default: ADD_FAILURE() << static_cast<int>(row->id) << " holds a value but cannot show one";
        }
    }
    EXPECT_GT(previous, 0);
    // A row that keeps a value without a place in the order is never exchanged.
    for (const ControlRow& row : ControlRows()) {
        const bool keeps = row.value.text != nullptr || row.value.flag != nullptr || row.value.number != nullptr;
        EXPECT_EQ(keeps, row.exchange != 0) << static_cast<int>(row.id);
    }
    // The two values stored by the same field of two rows would overwrite
    // each other: each row reaches a field of its own.
    FormValues values;
    std::set<const void*> fields;
    for (const ControlRow* row : ValueRows()) {
        const void* field = row->value.text   ? static_cast<const void*>(row->value.text(values))
                            : row->value.flag ? static_cast<const void*>(row->value.flag(values))
                                              : static_cast<const void*>(row->value.number(values));
        EXPECT_TRUE(fields.insert(field).second) << static_cast<int>(row->id);
    }
}

TEST(ControlTableTest, ControlsOfAGroupLieInsideIt) {
    for (const ControlRow& row : ControlRows()) {
        if (row.group == ControlId{}) continue;
        const ControlRow* group = FindControl(row.group);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->kind, ControlKind::Group);
        EXPECT_GE(row.place.x, group->place.x) << static_cast<int>(row.id);
        EXPECT_GE(row.place.y, group->place.y) << static_cast<int>(row.id);
        EXPECT_LE(row.place.x + row.place.width, group->place.x + group->place.width) << static_cast<int>(row.id);
        EXPECT_LE(row.place.y + row.place.height, group->place.y + group->place.height) << static_cast<int>(row.id);
        // A group's controls come after it, which the window needs to nest them.
        EXPECT_LT(group, &row);
    }
}

}  // namespace
}  // namespace qx7::editor
