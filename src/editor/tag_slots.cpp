// The form's five RFID tag slots: reading a tag into the first free slot,
// clearing, administrator marks and the clipboard text of the fields.

#include <algorithm>

#include "editor/settings_form.h"

namespace qx7::editor {
namespace {

using strings::StringId;

}  // namespace

std::size_t TagSlots::occupied() const {
    std::size_t count = 0;
    for (const std::uint8_t s : state) count += s != kSlotEmpty ? 1 : 0;
    return count;
}

std::u16string TagText(const protocol::RfidTag& tag) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    // A length beyond the identifier field shows the whole field, no more.
    const std::size_t length = std::min<std::size_t>(tag.uid_length, tag.uid.size());
    std::u16string text;
    for (std::size_t i = 0; i < length; ++i) {
        text += kDigits[tag.uid[i] >> 4];
        text += kDigits[tag.uid[i] & 0xF];
        text += u' ';
    }
    return text;
}

void SettingsForm::WriteTagField(std::size_t slot) {
    view_.SetText(TagField(static_cast<int>(slot)), values_.tag_texts[slot]);
}

void SettingsForm::ReadRfidTag(const std::function<std::optional<protocol::RfidTag>()>& read_tag) {
    if (tag_slots_.occupied() == kTagSlotCount) {
        ShowMessage(StringId::TagDataFull);
        return;
    }
    const std::optional<protocol::RfidTag> tag = read_tag();
    if (!tag) return;
    // Every slot counts here, occupied or not: an all-zero answer matches an
    // empty slot.
    for (const protocol::RfidTag& held : tag_slots_.tags) {
        if (held == *tag) {
            ShowMessage(StringId::TagAlreadyRegistered);
            return;
        }
    }
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        if (tag_slots_.state[slot] != kSlotEmpty) continue;
        tag_slots_.state[slot] = kSlotTag;
        tag_slots_.tags[slot] = *tag;
        values_.tag_texts[slot] = TagText(*tag);
        WriteTagField(slot);
        return;
    }
}

void SettingsForm::ClearAllTags() {
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        if (tag_slots_.state[slot] == kSlotAdminTag) continue;
        tag_slots_.tags[slot] = {};
        tag_slots_.state[slot] = kSlotEmpty;
        values_.tag_texts[slot].clear();
        WriteTagField(slot);
    }
    EnableTagControls(true);
}

void SettingsForm::ToggleAdminTag(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= kAdminTagCount) return;
    const auto k = static_cast<std::size_t>(slot);
    ReadForm();
    const bool has_text = !values_.tag_texts[k].empty();
    if (values_.admin_tags[k]) {
        if (has_text) {
            tag_slots_.state[k] = kSlotAdminTag;
            view_.SetEnabled(TagField(slot), false);
        } else {
            ShowMessage(StringId::TagDataEmpty, MessageIcon::Warning);
            values_.admin_tags[k] = false;
        }
    } else {
        tag_slots_.state[k] = has_text ? kSlotTag : kSlotEmpty;
        if (!has_text) tag_slots_.tags[k] = {};
        view_.SetEnabled(TagField(slot), true);
    }
    WriteForm();
}

std::u16string SettingsForm::TagsClipboardText() const {
    std::u16string text;
    for (int slot = 0; slot < static_cast<int>(kTagSlotCount); ++slot) {
        const std::u16string field = view_.Text(TagField(slot));
        if (!field.empty() && slot > 0) text += u',';
        text += field;
    }
    return text;
}

}  // namespace qx7::editor
