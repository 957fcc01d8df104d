#pragma once
// The settings form: its values and the state it keeps beside them, the two
// mappings between the form and the drive's settings record, the enabling
// rules of its control groups, the handlers of its change boxes and radio
// pairs, and its five RFID tag slots. It talks to the screen only through a
// FormView and a Notifier and knows nothing of drives: where a handler
// needs the drive (the language probe, a tag read) the caller passes it in.

#include <array>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "editor/form_values.h"
#include "editor/form_view.h"
#include "editor/notifier.h"
#include "protocol/records.h"
#include "storage/config_file.h"
#include "strings/string_table.h"

namespace qx7::editor {

// Tag slot states.
inline constexpr std::uint8_t kSlotEmpty = 0;
inline constexpr std::uint8_t kSlotTag = 1;
inline constexpr std::uint8_t kSlotAdminTag = 2;

struct TagSlots {
    std::array<protocol::RfidTag, kTagSlotCount> tags{};
    std::array<std::uint8_t, kTagSlotCount> state{};  // only this decides occupancy

    std::size_t occupied() const;
};

// "04 A1 B2 " for a tag of uid_length 3: "%02X " per uid byte.
std::u16string TagText(const protocol::RfidTag& tag);

// The block-menu mask and the Centrawatch administrator mode, edited by the
// extended options dialog.
struct ExtendedOptions {
    std::uint32_t mask = 0;
    bool centrawatch_admin_mode = false;
};

// One box of the extended options dialog, in screen order.
struct ExtendedOptionBox {
    std::uint16_t control;
    std::uint32_t bit;                           // 0 for the administrator-mode box (1128)
    std::optional<strings::StringId> string_id;  // caption from the string table; none: keep resource_caption
    const char16_t* resource_caption;            // the dialog's own caption
};
std::span<const ExtendedOptionBox> ExtendedOptionBoxes();

// The form gathered for an upload and for a configuration file.
struct GatheredSettings {
    protocol::SettingsUpload upload;
    storage::ConfigFilePayload payload;  // header not yet stamped
};

// How an imported file's settings record meets the record read from the
// drive at hand.
enum class ImportMode {
    // The file's record replaces the drive's whole, as the window imports:
    // the next upload sends the file's bytes.
    ReplaceDriveSettings,
    // The file gives what the form shows or sets; the drive keeps every
    // other byte of its record (see MergeImportedSettings). For applying one
    // file to many drives, each of which keeps its own.
    KeepDriveBytes,
};

// `drive` with the fields the form shows or sets taken from `file`: the
// policy switches of the radio pairs and the Centrawatch administrator
// mode, the self destruct limit, the languages, the minimum password
// length, the auto-lock delay, the block-menu mask and the setup ID. The
// drive keeps its other policy bits (the user-password flag among them),
// its password class and its reserved bytes; the gathering then changes the
// flag and the class only when the form sets a password.
protocol::SettingsRecord MergeImportedSettings(const protocol::SettingsRecord& drive,
                                               const protocol::SettingsRecord& file);

// The form's edits as the screen shows them, with the state the form keeps
// beside its values: what reading the same drive again puts back.
struct FormEdits {
    FormValues values;
    // The number fields' texts as shown, one that is no number included.
    std::array<std::pair<ControlId, std::u16string>, 3> number_texts;
    protocol::SettingsRecord drive_settings;
    TagSlots tag_slots;
    ExtendedOptions extended;
    std::uint8_t carried_reserved_19 = 1;
    bool centrawatch_seen = false;
};

// Answers whether the connected drive carries the six menu languages.
using LanguageProbe = std::function<bool()>;

class SettingsForm {
public:
    SettingsForm(FormView& view, Notifier& notifier, strings::Language language);

    void set_language(strings::Language language) { language_ = language; }
    strings::Language language() const { return language_; }

    FormValues& values() { return values_; }
    const FormValues& values() const { return values_; }
    protocol::SettingsRecord& drive_settings() { return drive_settings_; }
    const protocol::SettingsRecord& drive_settings() const { return drive_settings_; }
    TagSlots& tag_slots() { return tag_slots_; }
    const TagSlots& tag_slots() const { return tag_slots_; }
    std::uint32_t new_setup_id() const { return new_setup_id_; }
    ExtendedOptions extended_options() const { return extended_; }
    bool rfid_supported() const { return rfid_supported_; }
    void set_rfid_supported(bool supported) { rfid_supported_ = supported; }
    // A scan starts: a later fill may set the Centrawatch pair again.
    void ClearCentrawatchSeen() { centrawatch_seen_ = false; }

    // The exchange with the view (see ReadForm / WriteForm in form_values.h).
    bool ReadForm();
    void WriteForm();

    // The edits on screen now, read without refusing anything or showing a
    // message; the form's own values are left as they are.
    FormEdits TakeEdits();
    // Puts `edits` back: the values and the state beside them, written to
    // the view, the number fields with their texts as they were shown. The
    // caller sets what is enabled.
    void RestoreEdits(const FormEdits& edits);

    // The setup ID this run writes, from the local date and hour; also sets
    // the "New Setup ID" text value (the caller writes the form).
    void MakeNewSetupId(const std::tm& local_time);

    // Sets the form from a settings record and writes it to the view.
    void FillFormFromSettings(const protocol::SettingsRecord& record);
    // "Detect Current Settings": the form back to drive_settings.
    void OnDetectCurrentSettings();

    // Checks the passwords and the RFID rule and builds both outputs. On
    // refusal the message has been shown, the focus moved, and nothing is
    // returned. The caller has read the form.
    std::optional<GatheredSettings> GatherSettingsUpload();

    // Enabling rules of the control groups.
    void EnableChangeControls(bool on);
    void EnableSettingsControls(bool on);
    void EnableRfidSection(bool on);
    void EnableTagControls(bool on);
    void ApplyChangeChecks();
    void DisableAllControls();
    // The two language lists: the first four names, or all six; the current
    // admin and user languages stay selected.
    void SetLanguageLists(bool six_languages);

    // Control handlers.
    void OnChangeAdminPassword();
    void OnChangeUserPassword(const LanguageProbe& six_languages);
    void OnChangeSettings(const LanguageProbe& six_languages);
    void OnChangeRfidTagData();
    void OnRfidEnable();
    void OnRfidDisable();
    void OnStrongPasswordEnable();
    void OnStrongPasswordDisable();
    void OnCurrentPasswordFocusLost();

    // Extended options: the dialog's starting values, and what its OK gives
    // (the mask replaced whole; the administrator mode only ever turned on).
    void ApplyExtendedOptions(const ExtendedOptions& chosen);

    // Tag slots. `read_tag` asks the drive's reader for one tag (nothing when
    // the read failed); it is not called when all slots are occupied.
    void ReadRfidTag(const std::function<std::optional<protocol::RfidTag>()>& read_tag);
    void ClearAllTags();
    void ToggleAdminTag(int slot);  // slot 0 to 2
    // The tag fields' texts joined by "," as "Copy Tags To Clipboard" copies
    // them (read from the controls); empty when every field is empty.
    std::u16string TagsClipboardText() const;

    // Import: applies a configuration file's payload to the form.
    void ApplyConfigPayload(const storage::ConfigFilePayload& payload,
                            ImportMode mode = ImportMode::ReplaceDriveSettings);

private:
    // A string-table text in the form's language.
    void ShowMessage(strings::StringId string_id, MessageIcon icon = MessageIcon::None);
    // "Upload Settings to QX7" and "Save As" become available.
    void EnableUploadAndSave();
    // Shows one slot's text, leaving the other controls as they are.
    void WriteTagField(std::size_t slot);

    FormView& view_;
    Notifier& notifier_;
    strings::Language language_;
    FormValues values_;
    protocol::SettingsRecord drive_settings_;
    TagSlots tag_slots_;
    std::uint32_t new_setup_id_ = 0;
    ExtendedOptions extended_;
    bool centrawatch_seen_ = false;
    bool rfid_supported_ = false;
    std::uint8_t carried_reserved_19_ = 1;
};

}  // namespace qx7::editor
