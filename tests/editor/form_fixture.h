#pragma once
// A settings form over an in-memory view, set up as the main window sets it
// up: four-language lists and the initial values written to the controls.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>

#include "editor/settings_form.h"
#include "support/fake_view.h"

namespace qx7::editor::test {

class SettingsFormTest : public ::testing::Test {
protected:
    SettingsFormTest() {
        form.SetLanguageLists(false);
        form.WriteForm();
    }

    // A tag whose identifier is `uid`.
    static protocol::RfidTag Tag(std::initializer_list<std::uint8_t> uid) {
        protocol::RfidTag tag;
        std::copy(uid.begin(), uid.end(), tag.uid.begin());
        tag.uid_length = static_cast<std::uint8_t>(uid.size());
        return tag;
    }

    // "Read RFID Tag" with the reader answering `tag`.
    void ReadTag(const protocol::RfidTag& tag) {
        form.ReadRfidTag([&] { return std::optional<protocol::RfidTag>(tag); });
    }

    // Reads the form and gathers it with a current password typed in.
    std::optional<GatheredSettings> Gather() {
        if (view.Text(ControlId::CurrentPassword).empty()) view.SetText(ControlId::CurrentPassword, u"ADMIN1");
        form.ReadForm();
        return form.GatherSettingsUpload();
    }

    qx7::test::FakeView view;
    qx7::test::FakeNotifier notifier;
    SettingsForm form{view, notifier, strings::Language::English};
};

}  // namespace qx7::editor::test
