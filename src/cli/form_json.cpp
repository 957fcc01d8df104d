#include "cli/form_json.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <stdexcept>
#include <vector>

#include "editor/control_table.h"
#include "editor/password_policy.h"
#include "protocol/constants.h"
#include "strings/hex.h"
#include "strings/text_codec.h"

namespace qx7::cli {
namespace {

using editor::ControlId;
using Json = nlohmann::json;

struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& what) {
    throw Refusal("form key \"" + key + "\": " + what);
}

std::u16string TextOf(const Json& value, const std::string& key) {
    if (!value.is_string()) Refuse(key, "expected a string");
    return strings::FromUtf8(value.get<std::string>());
}

bool BoolOf(const Json& value, const std::string& key) {
    if (!value.is_boolean()) Refuse(key, "expected true or false");
    return value.get<bool>();
}

int IntOf(const Json& value, const std::string& key) {
    if (!value.is_number_integer()) Refuse(key, "expected an integer");
    const auto number = value.get<long long>();
    if (number < -1'000'000 || number > 1'000'000) Refuse(key, "out of range");
    return static_cast<int>(number);
}

int RadioOf(const Json& value, const std::string& key) {
    if (value == "enable") return editor::kEnable;
    if (value == "disable") return editor::kDisable;
    Refuse(key, "expected \"enable\" or \"disable\"");
}

int LanguageOf(const Json& value, const std::string& key) {
    if (value.is_number_integer()) {
        const int index = IntOf(value, key);
        if (index < 0 || index >= protocol::kLanguageCount) Refuse(key, "expected 0 to 5");
        return index;
    }
    if (value.is_string()) {
        for (int i = 0; i < protocol::kLanguageCount; ++i) {
            if (value == protocol::kLanguageNames[i]) return i;
        }
    }
    Refuse(key, "expected a language name (English ... Korean) or an index 0 to 5");
}

protocol::RfidTag TagOf(const Json& value, const std::string& key) {
    const auto bytes = value.is_string() ? strings::FromHex(value.get<std::string>()) : std::nullopt;
    if (!bytes || bytes->empty() || bytes->size() > 16) {
        Refuse(key, "expected the tag's identifier as 2 to 32 hex digits");
    }
    protocol::RfidTag tag;
    std::copy(bytes->begin(), bytes->end(), tag.uid.begin());
    tag.uid_length = static_cast<std::uint8_t>(bytes->size());
    return tag;
}

// The form's keys are those of the control table. The rows are applied in
// the order the form is read, a kind at a time: boxes first (their handlers
// may reset fields), then values.
std::vector<const editor::ControlRow*> KeyedRows(editor::ControlKind kind) {
    std::vector<const editor::ControlRow*> rows;
    for (const editor::ControlRow* row : editor::ValueRows()) {
        if (row->kind == kind && row->json_key != nullptr) rows.push_back(row);
    }
    return rows;
}

// Radio pairs whose click the window answers with a handler: set after the
// others, in this order, each followed by its handler.
constexpr ControlId kRadiosWithHandler[] = {ControlId::StrongPasswordEnable, ControlId::RfidEnable};

bool HasHandler(ControlId first) {
    return std::find(std::begin(kRadiosWithHandler), std::end(kRadiosWithHandler), first) !=
           std::end(kRadiosWithHandler);
}

const char* const kOtherKeys[] = {"extended_options_mask", "centrawatch_admin_mode", "tags", "admin_tags"};

// In the order of the window's settings group.
const char* const kSettingsKeys[] = {
    "self_destruct",
    "self_destruct_counter",
    "virtual_cd",
    "strong_password",
    "min_password_length",
    "random_keypad",
    "key_tone",
    "admin_language",
    "user_language",
    "centrawatch",
    "centrawatch_admin_mode",
    "rfid",
    "read_only",
    "auto_lock",
    "auto_lock_delay",
    "extended_options_mask",
};

void CheckKeys(const Json& form) {
    for (const auto& [key, value] : form.items()) {
        bool known = false;
        for (const editor::ControlRow& row : editor::ControlRows()) {
            known |= row.json_key != nullptr && key == row.json_key;
        }
        for (const char* name : kOtherKeys) known |= key == name;
        if (!known) Refuse(key, "unknown key");
    }
}

// A file keeps a tag for a drive only when it is marked as an
// administrator tag: importing a file empties every other slot, so apply
// would drop such a tag on every drive (and, with RFID enabled and no
// administrator tag left, fail every drive with "RFID tag data is empty!").
void CheckTagsAreCarried(const Json& form) {
    if (!form.contains("tags")) return;
    const Json& tags = form["tags"];
    const Json admin = form.contains("admin_tags") ? form["admin_tags"] : Json::array();
    for (std::size_t slot = 0; slot < tags.size(); ++slot) {
        if (tags[slot].is_null()) continue;
        bool marked = false;
        for (const Json& number : admin) marked |= number.get<int>() == static_cast<int>(slot) + 1;
        if (!marked) {
            Refuse("tags[" + std::to_string(slot) + "]",
                   "a file carries only administrator tags (slots 1 to 3 named in \"admin_tags\"); this tag "
                   "would be dropped on every drive");
        }
    }
}

void Apply(const Json& form, app::Configurator& configurator, editor::FormView& view) {
    if (!form.is_object()) throw Refusal("the form must be a JSON object");
    CheckKeys(form);

    for (const editor::ControlRow* row : KeyedRows(editor::ControlKind::Check)) {
        const std::string key = row->json_key;
        if (!form.contains(key)) continue;
        view.SetChecked(row->id, BoolOf(form[key], key));
        configurator.OnCommand(row->id);
    }
    for (const editor::ControlRow* row : KeyedRows(editor::ControlKind::Edit)) {
        const std::string key = row->json_key;
        const ControlId id = row->id;
        if (!form.contains(key)) continue;
        // Each is a password field: the text it would hold, or refused.
        const editor::PasswordFieldText field = editor::AsPasswordFieldText(TextOf(form[key], key));
        if (!field.problem.empty()) Refuse(key, "the password " + field.problem);
        view.SetText(id, field.text);
    }
    // A confirmation left out repeats its new password.
    if (form.contains("new_admin_password") && !form.contains("confirm_admin_password")) {
        view.SetText(ControlId::ConfirmAdminPassword, view.Text(ControlId::NewAdminPassword));
    }
    if (form.contains("new_user_password") && !form.contains("confirm_user_password")) {
        view.SetText(ControlId::ConfirmUserPassword, view.Text(ControlId::NewUserPassword));
    }
    for (const editor::ControlRow* row : KeyedRows(editor::ControlKind::Number)) {
        const std::string key = row->json_key;
        if (form.contains(key)) {
            view.SetText(row->id, strings::FromUtf8(std::to_string(IntOf(form[key], key))));
        }
    }

    editor::SettingsForm& settings = configurator.form();
    for (const editor::ControlRow* row : KeyedRows(editor::ControlKind::Combo)) {
        const std::string key = row->json_key;
        if (!form.contains(key)) continue;
        const int index = LanguageOf(form[key], key);
        settings.ReadForm();
        if (index >= 4) settings.SetLanguageLists(true);
        *row->value.number(settings.values()) = index;
        settings.WriteForm();
    }

    std::vector<const editor::ControlRow*> radios = KeyedRows(editor::ControlKind::RadioFirst);
    std::erase_if(radios, [](const editor::ControlRow* row) { return HasHandler(row->id); });
    for (const ControlId first : kRadiosWithHandler) radios.push_back(editor::FindControl(first));
    for (const editor::ControlRow* row : radios) {
        const std::string key = row->json_key;
        if (!form.contains(key)) continue;
        const int index = RadioOf(form[key], key);
        view.SetRadioIndex(row->id, index);
        if (HasHandler(row->id)) {
            configurator.OnCommand(index == editor::kEnable ? row->id : editor::SecondOfPair(row->id));
        }
    }

    if (form.contains("extended_options_mask") || form.contains("centrawatch_admin_mode")) {
        editor::ExtendedOptions options = settings.extended_options();
        if (form.contains("extended_options_mask")) {
            const Json& mask = form["extended_options_mask"];
            if (!mask.is_number_unsigned() || mask.get<unsigned long long>() > 0xFFFFFFFFull) {
                Refuse("extended_options_mask", "expected an unsigned 32-bit integer");
            }
            options.mask = static_cast<std::uint32_t>(mask.get<unsigned long long>());
        }
        if (form.contains("centrawatch_admin_mode")) {
            options.centrawatch_admin_mode = BoolOf(form["centrawatch_admin_mode"], "centrawatch_admin_mode");
        }
        settings.ReadForm();
        settings.ApplyExtendedOptions(options);
        settings.WriteForm();
    }

    if (form.contains("tags")) {
        const Json& tags = form["tags"];
        if (!tags.is_array() || tags.size() > editor::kTagSlotCount) {
            Refuse("tags", "expected a list of at most 5 tags (hex strings, or null for an empty slot)");
        }
        settings.ReadForm();
        for (std::size_t slot = 0; slot < tags.size(); ++slot) {
            if (tags[slot].is_null()) continue;
            const protocol::RfidTag tag = TagOf(tags[slot], "tags[" + std::to_string(slot) + "]");
            settings.tag_slots().tags[slot] = tag;
            settings.tag_slots().state[slot] = editor::kSlotTag;
            settings.values().tag_texts[slot] = editor::TagText(tag);
        }
        settings.WriteForm();
    }
    if (form.contains("admin_tags")) {
        const Json& admin = form["admin_tags"];
        if (!admin.is_array()) Refuse("admin_tags", "expected a list of slot numbers 1 to 3");
        for (const Json& slot : admin) {
            if (!slot.is_number_integer() || slot.get<int>() < 1 || slot.get<int>() > 3) {
                Refuse("admin_tags", "expected slot numbers 1 to 3");
            }
            const int index = slot.get<int>() - 1;
            view.SetChecked(editor::AdminTagBox(index), true);
            configurator.OnCommand(editor::AdminTagBox(index));
        }
    }
    CheckTagsAreCarried(form);
}

}  // namespace

std::span<const char* const> SettingsKeys() { return kSettingsKeys; }

std::string FormKeyOf(ControlId id) {
    const editor::ControlRow* row = editor::FindControl(id);
    if (row == nullptr || row->json_key == nullptr) return {};
    const bool setting = row->kind == editor::ControlKind::Number || row->kind == editor::ControlKind::Combo ||
                         row->kind == editor::ControlKind::RadioFirst;
    return setting ? row->json_key : std::string();
}

bool ApplyFormJson(const Json& form, app::Configurator& configurator, editor::FormView& view, std::string* error) {
    try {
        Apply(form, configurator, view);
        return true;
    } catch (const Refusal& refusal) {
        if (error) *error = refusal.what();
        return false;
    } catch (const Json::exception& problem) {
        if (error) *error = problem.what();
        return false;
    }
}

}  // namespace qx7::cli
