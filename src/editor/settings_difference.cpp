#include "editor/settings_difference.h"

#include <algorithm>
#include <cstdio>

#include "editor/settings_form.h"
#include "protocol/constants.h"
#include "strings/text_codec.h"

namespace qx7::editor {
namespace {

using namespace protocol;

constexpr const char* kNotReadable = "(not readable)";

std::string Language(std::uint8_t index) {
    return index < kLanguageCount ? kLanguageNames[index] : "unknown (" + std::to_string(index) + ")";
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// "2026-12-11-09" (year, month, day, hour), "none" for 0: the same text
// in every language, for scripts.
std::string SetupId(std::uint32_t id) {
    if (id == 0) return "none";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u-%02u", (id >> 24) + 2000u, (id >> 16) & 0xFFu, (id >> 8) & 0xFFu,
                  id & 0xFFu);
    return text;
}

// A radio pair's value from its policy bit; `set_means_enable` is false for
// the bits that switch something off (virtual CD, key tone).
std::string Switch(std::uint32_t flags, std::uint32_t bit, bool set_means_enable = true) {
    return ((flags & bit) != 0) == set_means_enable ? "enable" : "disable";
}

std::string OnOff(std::uint32_t flags, std::uint32_t bit) { return (flags & bit) != 0 ? "on" : "off"; }

}  // namespace

std::vector<FieldChange> SettingsDifference(const SettingsRecord& before, const SettingsRecord& after) {
    struct Field {
        const char* name;
        std::string (*text)(const SettingsRecord&);
    };
    static constexpr Field kFields[] = {
        {"self_destruct_counter", [](const SettingsRecord& r) { return std::to_string(r.self_destruct_limit); }},
        {"min_password_length", [](const SettingsRecord& r) { return std::to_string(r.min_password_length); }},
        {"admin_language", [](const SettingsRecord& r) { return Language(r.admin_language); }},
        {"user_language", [](const SettingsRecord& r) { return Language(r.user_language); }},
        {"active_language", [](const SettingsRecord& r) { return Language(r.active_language); }},
        {"virtual_cd", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyVirtualCdOff, false); }},
        {"random_keypad", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyRandomKeypad); }},
        {"key_tone", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyKeyToneOff, false); }},
        {"self_destruct", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicySelfDestruct); }},
        {"rfid", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyRfid); }},
        {"strong_password", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyStrongPassword); }},
        {"centrawatch", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyCentrawatch); }},
        {"read_only", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyReadOnly); }},
        {"auto_lock", [](const SettingsRecord& r) { return Switch(r.policy_flags, kPolicyAutoLock); }},
        {"auto_lock_delay", [](const SettingsRecord& r) { return std::to_string(r.auto_lock_delay); }},
        {"centrawatch_admin_mode",
         [](const SettingsRecord& r) { return OnOff(r.policy_flags, kPolicyCentrawatchAdmin); }},
        {"user_password_flag", [](const SettingsRecord& r) { return OnOff(r.policy_flags, kPolicyUserPassword); }},
        {"password_char_class", [](const SettingsRecord& r) { return Hex(r.password_char_class); }},
        {"extended_options_mask", [](const SettingsRecord& r) { return Hex(r.block_menu_mask); }},
        {"setup_id", [](const SettingsRecord& r) { return SetupId(r.setup_id); }},
    };
    std::vector<FieldChange> changes;
    for (const Field& field : kFields) {
        std::string was = field.text(before);
        std::string now = field.text(after);
        if (was != now) changes.push_back({field.name, std::move(was), std::move(now)});
    }
    return changes;
}

std::vector<FieldChange> UploadChanges(const SettingsRecord& drive, const SettingsUpload& upload) {
    std::vector<FieldChange> changes;
    if ((upload.change_mask & kChangeSettings) != 0) changes = SettingsDifference(drive, upload.settings);
    if ((upload.change_mask & kChangeAdminPassword) != 0) changes.push_back({"admin_password", kNotReadable, "(new)"});
    if ((upload.change_mask & kChangeUserPassword) != 0) changes.push_back({"user_password", kNotReadable, "(new)"});
    if ((upload.change_mask & kChangeRfidTags) != 0) {
        const std::size_t count = std::min<std::size_t>(upload.tag_count, upload.tags.size());
        std::string tags = count == 0 ? "none" : "";
        for (std::size_t i = 0; i < count; ++i) {
            std::u16string text = TagText(upload.tags[i]);
            while (!text.empty() && text.back() == u' ') text.pop_back();
            tags += (i ? ", " : "") + strings::ToUtf8(text);
        }
        changes.push_back({"rfid_tags", kNotReadable, tags});
    }
    return changes;
}

}  // namespace qx7::editor
