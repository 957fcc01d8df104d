// The mappings between the form and the drive's settings record: filling
// the form from a record, gathering it into an upload and a configuration
// file, and applying an imported file.

#include <algorithm>
#include <variant>

#include "editor/password_policy.h"
#include "editor/settings_form.h"
#include "protocol/constants.h"
#include "protocol/drive_messages.h"

namespace qx7::editor {
namespace {

using namespace protocol;

using strings::StringId;
constexpr int kDefaultAutoLockDelay = 60;

bool Has(std::uint32_t flags, std::uint32_t bit) { return (flags & bit) != 0; }

void SetBit(std::uint32_t& flags, std::uint32_t bit, bool on) {
    if (on) {
        flags |= bit;
    } else {
        flags &= ~bit;
    }
}

int RadioOf(bool enable) { return enable ? kEnable : kDisable; }

bool IsOnlyInSixLanguageSet(int language) { return language >= 4 && language < kLanguageCount; }

}  // namespace

void SettingsForm::FillFormFromSettings(const SettingsRecord& record) {
    const std::uint32_t flags = record.policy_flags;
    values_.self_destruct_counter = record.self_destruct_limit;
    values_.self_destruct = RadioOf(Has(flags, kPolicySelfDestruct));
    values_.virtual_cd = RadioOf(!Has(flags, kPolicyVirtualCdOff));
    values_.strong_password = RadioOf(Has(flags, kPolicyStrongPassword));
    values_.random_keypad = RadioOf(Has(flags, kPolicyRandomKeypad));
    values_.key_tone = RadioOf(!Has(flags, kPolicyKeyToneOff));

    // Once a drive of this scan had Centrawatch on, the pair stays as it is.
    if (!centrawatch_seen_) {
        values_.centrawatch = kDisable;
        if (Has(flags, kPolicyCentrawatch)) {
            values_.centrawatch = kEnable;
            centrawatch_seen_ = true;
        }
    }
    extended_.centrawatch_admin_mode = Has(flags, kPolicyCentrawatchAdmin);

    // Not clamped: an out-of-range value is refused when the form is next read.
    values_.min_password_length = record.min_password_length;
    values_.admin_language = record.admin_language;
    values_.user_language = record.user_language;
    carried_reserved_19_ = record.reserved_19;

    values_.rfid = RadioOf(Has(flags, kPolicyRfid));

    // Only administrator slots stay occupied; every slot shows its bytes.
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        const bool admin = slot < kAdminTagCount && values_.admin_tags[slot];
        tag_slots_.state[slot] = admin ? kSlotAdminTag : kSlotEmpty;
        values_.tag_texts[slot] = TagText(tag_slots_.tags[slot]);
    }

    if (values_.rfid == kEnable) {
        EnableRfidSection(true);
    } else {
        view_.SetEnabled(ControlId::ChangeRfidTagData, false);
        EnableTagControls(false);
    }

    values_.read_only = RadioOf(Has(flags, kPolicyReadOnly));
    values_.auto_lock = RadioOf(Has(flags, kPolicyAutoLock));
    values_.auto_lock_delay = record.auto_lock_delay == 0 ? kDefaultAutoLockDelay : record.auto_lock_delay;

    // A record naming Japanese or Korean comes from a drive that has them:
    // offer all six at once, so that the lists can show its selection.
    const bool needs_six =
        IsOnlyInSixLanguageSet(values_.admin_language) || IsOnlyInSixLanguageSet(values_.user_language);
    if (needs_six && view_.ComboLines(ControlId::AdminLanguage).size() < kLanguageCount) {
        SetLanguageLists(true);
    }

    WriteForm();
}

void SettingsForm::OnDetectCurrentSettings() { FillFormFromSettings(drive_settings_); }

std::optional<GatheredSettings> SettingsForm::GatherSettingsUpload() {
    GatheredSettings out{};
    SettingsUpload& upload = out.upload;
    storage::ConfigFilePayload& payload = out.payload;

    auto checked = ValidatePasswordChanges(values_, drive_settings_.password_char_class, language_);
    if (const auto* refusal = std::get_if<PasswordRefusal>(&checked)) {
        if (refusal->write_form_back) WriteForm();
        notifier_.ShowMessage(refusal->message);
        view_.SetFocus(refusal->focus);
        return std::nullopt;
    }
    const auto& passwords = std::get<PasswordCheckResult>(checked);
    upload.current_admin_password = passwords.current_admin.bytes;
    payload.current_admin_password = passwords.current_admin.bytes;
    if (passwords.new_admin) {
        upload.change_mask |= kChangeAdminPassword;
        upload.new_admin_password = passwords.new_admin->bytes;
        payload.new_admin_password = passwords.new_admin->bytes;
        payload.new_admin_password_length = static_cast<std::uint32_t>(passwords.new_admin->length);
    }
    if (passwords.new_user) {
        upload.change_mask |= kChangeUserPassword;
        upload.new_user_password = passwords.new_user->bytes;
        payload.new_user_password = passwords.new_user->bytes;
    }

    // The record: what the drive sent, with the fields the form owns replaced.
    SettingsRecord s = drive_settings_;
    std::uint32_t& flags = s.policy_flags;
    SetBit(flags, kPolicySelfDestruct, values_.self_destruct == kEnable);
    SetBit(flags, kPolicyVirtualCdOff, values_.virtual_cd == kDisable);
    SetBit(flags, kPolicyStrongPassword, values_.strong_password == kEnable);
    SetBit(flags, kPolicyRandomKeypad, values_.random_keypad == kEnable);
    SetBit(flags, kPolicyKeyToneOff, values_.key_tone == kDisable);
    if (values_.change_user_password) flags |= kPolicyUserPassword;
    SetBit(flags, kPolicyCentrawatch, values_.centrawatch == kEnable);
    if (Has(flags, kPolicyCentrawatch) && extended_.centrawatch_admin_mode) flags |= kPolicyCentrawatchAdmin;
    SetBit(flags, kPolicyReadOnly, values_.read_only == kEnable);
    SetBit(flags, kPolicyAutoLock, values_.auto_lock == kEnable);
    s.self_destruct_limit = static_cast<std::uint16_t>(values_.self_destruct_counter);
    s.active_language =
        static_cast<std::uint8_t>(values_.change_user_password ? values_.user_language : values_.admin_language);
    s.admin_language = static_cast<std::uint8_t>(values_.admin_language);
    s.user_language = static_cast<std::uint8_t>(values_.user_language);
    s.min_password_length = static_cast<std::uint8_t>(values_.min_password_length);
    s.reserved_19 = carried_reserved_19_;
    s.auto_lock_delay = static_cast<std::uint16_t>(values_.auto_lock_delay);
    s.block_menu_mask = extended_.mask;
    s.setup_id = new_setup_id_;

    // The upload carries the occupied slots packed to the front.
    std::uint8_t tag_count = 0;
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        if (tag_slots_.state[slot] != kSlotEmpty) upload.tags[tag_count++] = tag_slots_.tags[slot];
    }

    if (values_.rfid == kEnable && tag_count == 0) {
        ShowMessage(StringId::TagDataEmpty);
        view_.SetFocus(ControlId::ReadRfidTag);
        return std::nullopt;
    }
    SetBit(flags, kPolicyRfid, values_.rfid == kEnable);

    upload.settings = s;
    payload.settings = s;
    upload.tag_count = tag_count;
    payload.tag_count = tag_count;
    payload.tags_by_slot = tag_slots_.tags;
    for (std::size_t slot = 0; slot < kAdminTagCount; ++slot) {
        payload.admin_tag[slot] = values_.admin_tags[slot] ? 1 : 0;
    }
    if (values_.change_settings) upload.change_mask |= kChangeSettings;
    if (values_.change_rfid_tag_data) upload.change_mask |= kChangeRfidTags;
    payload.change_mask = upload.change_mask;
    return out;
}

SettingsRecord MergeImportedSettings(const SettingsRecord& drive, const SettingsRecord& file) {
    constexpr std::uint32_t kFormBits = kPolicySelfDestruct | kPolicyVirtualCdOff | kPolicyStrongPassword |
                                        kPolicyRandomKeypad | kPolicyKeyToneOff | kPolicyCentrawatch |
                                        kPolicyCentrawatchAdmin | kPolicyReadOnly | kPolicyAutoLock | kPolicyRfid;
    SettingsRecord merged = drive;
    merged.policy_flags = (drive.policy_flags & ~kFormBits) | (file.policy_flags & kFormBits);
    merged.self_destruct_limit = file.self_destruct_limit;
    merged.active_language = file.active_language;
    merged.admin_language = file.admin_language;
    merged.user_language = file.user_language;
    merged.min_password_length = file.min_password_length;
    merged.auto_lock_delay = file.auto_lock_delay;
    merged.block_menu_mask = file.block_menu_mask;
    merged.setup_id = file.setup_id;
    return merged;
}

void SettingsForm::ApplyConfigPayload(const storage::ConfigFilePayload& payload, ImportMode mode) {
    const std::uint32_t mask = payload.change_mask;

    // A box the file does not set stays as it was; only its texts follow the file.
    if (Has(mask, kChangeAdminPassword)) values_.change_admin_password = true;
    values_.new_admin_password =
        Has(mask, kChangeAdminPassword) ? storage::PasswordFieldText(payload.new_admin_password) : std::u16string();
    values_.confirm_admin_password = values_.new_admin_password;
    if (Has(mask, kChangeUserPassword)) values_.change_user_password = true;
    values_.new_user_password =
        Has(mask, kChangeUserPassword) ? storage::PasswordFieldText(payload.new_user_password) : std::u16string();
    values_.confirm_user_password = values_.new_user_password;

    drive_settings_ = mode == ImportMode::KeepDriveBytes ? MergeImportedSettings(drive_settings_, payload.settings)
                                                         : payload.settings;
    if (Has(mask, kChangeSettings)) values_.change_settings = true;
    tag_slots_.tags = payload.tags_by_slot;
    new_setup_id_ = payload.settings.setup_id;
    values_.new_setup_id = SetupIdText(new_setup_id_, language_);
    extended_.mask = payload.settings.block_menu_mask;
    for (std::size_t slot = 0; slot < kAdminTagCount; ++slot) {
        values_.admin_tags[slot] = payload.admin_tag[slot] != 0;
    }
    if (Has(mask, kChangeRfidTags)) values_.change_rfid_tag_data = true;

    FillFormFromSettings(drive_settings_);
    EnableChangeControls(true);
    ApplyChangeChecks();
    view_.SetFocus(ControlId::CurrentPassword);
    WriteForm();
}

}  // namespace qx7::editor
