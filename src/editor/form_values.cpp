#include "editor/form_values.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "strings/text_codec.h"

namespace qx7::editor {
namespace {

// Standard validation messages of the form's fields.
using strings::StringId;

std::u16string Decimal(long long value) { return strings::FromUtf8(std::to_string(value)); }

// A decimal integer with optional surrounding blanks and sign; nothing when
// the text is not one or does not fit an int.
std::optional<int> ParseInteger(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// Reads the controls in order; the first refusal shows its message, moves
// the focus to the control and ends the reading. Without a notifier it
// takes every control as shown and shows nothing: a number out of range is
// taken, while an over-long text, and a number field whose text is not a
// number, keep the value held.
class FormReader {
public:
    FormReader(FormView& view, Notifier* notifier, strings::Language language)
        : view_(view), notifier_(notifier), language_(language) {}

    bool ok() const { return ok_; }

    // An over-long text is refused and not taken, so a value never holds
    // more than the field allows.
    void Text(ControlId id, std::u16string& value, std::size_t max_chars) {
        if (!ok_) return;
        std::u16string text = view_.Text(id);
        if (text.size() > max_chars) {
            if (notifier_) {
                Refuse(id, strings::FormatResString(language_, StringId::EnterNoMoreThan,
                                                    {Decimal(static_cast<long long>(max_chars))}));
            }
            return;
        }
        value = std::move(text);
    }

    void Text(ControlId id, std::u16string& value) {
        if (ok_) value = view_.Text(id);
    }

    void Check(ControlId id, bool& value) {
        if (ok_) value = view_.Checked(id);
    }

    void Radio(ControlId first, int& value) {
        if (ok_) value = view_.RadioIndex(first);
    }

    // A number out of range has been taken when it is refused.
    void Number(ControlId id, int& value, int min, int max) {
        if (!ok_) return;
        const std::optional<int> parsed = ParseInteger(view_.Text(id));
        if (!parsed) {
            if (!notifier_) return;
            Refuse(id, strings::FormatResString(language_, StringId::EnterInteger));
            return;
        }
        value = *parsed;
        CheckRange(id, value, min, max);
    }

    void ComboIndex(ControlId id, int& value, int min, int max) {
        if (!ok_) return;
        value = view_.ComboIndex(id);
        CheckRange(id, value, min, max);
    }

private:
    void CheckRange(ControlId id, int value, int min, int max) {
        if ((value >= min && value <= max) || !notifier_) return;
        Refuse(id, strings::FormatResString(language_, StringId::EnterIntegerBetween, {Decimal(min), Decimal(max)}));
    }

    void Refuse(ControlId id, const std::u16string& message) {
        notifier_->ShowMessage(message);
        view_.SetFocus(id);
        ok_ = false;
    }

    FormView& view_;
    Notifier* notifier_;
    strings::Language language_;
    bool ok_ = true;
};

bool ReadControls(FormReader& read, FormValues& values) {
    read.Text(ControlId::CurrentPassword, values.current_password, kPasswordMaxChars);
    read.Text(ControlId::NewAdminPassword, values.new_admin_password, kPasswordMaxChars);
    read.Text(ControlId::ConfirmAdminPassword, values.confirm_admin_password, kPasswordMaxChars);
    read.Text(ControlId::NewUserPassword, values.new_user_password, kPasswordMaxChars);
    read.Text(ControlId::ConfirmUserPassword, values.confirm_user_password, kPasswordMaxChars);
    read.Check(ControlId::ChangeAdminPassword, values.change_admin_password);
    read.Check(ControlId::ChangeUserPassword, values.change_user_password);
    read.Number(ControlId::SelfDestructCounter, values.self_destruct_counter, 10, 35);
    read.Number(ControlId::MinPasswordLength, values.min_password_length, 7, 31);
    read.ComboIndex(ControlId::AdminLanguage, values.admin_language, 0, 5);
    read.ComboIndex(ControlId::UserLanguage, values.user_language, 0, 5);
    read.Radio(ControlId::VirtualCdEnable, values.virtual_cd);
    read.Radio(ControlId::RandomKeyPadEnable, values.random_keypad);
    read.Radio(ControlId::KeyToneEnable, values.key_tone);
    read.Radio(ControlId::SelfDestructEnable, values.self_destruct);
    read.Radio(ControlId::RfidEnable, values.rfid);
    read.Radio(ControlId::StrongPasswordEnable, values.strong_password);
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        read.Text(TagField(static_cast<int>(slot)), values.tag_texts[slot]);
    }
    read.Radio(ControlId::CentrawatchEnable, values.centrawatch);
    for (std::size_t slot = 0; slot < kAdminTagCount; ++slot) {
        read.Check(AdminTagBox(static_cast<int>(slot)), values.admin_tags[slot]);
    }
    read.Text(ControlId::SerialNumber, values.serial_number);
    read.Text(ControlId::NewSetupId, values.new_setup_id);
    read.Check(ControlId::ChangeSettings, values.change_settings);
    read.Check(ControlId::ChangeRfidTagData, values.change_rfid_tag_data);
    read.Text(ControlId::CurrentSetupId, values.current_setup_id);
    read.Radio(ControlId::ReadOnlyEnable, values.read_only);
    read.Radio(ControlId::AutoLockEnable, values.auto_lock);
    read.Number(ControlId::AutoLockDelay, values.auto_lock_delay, 10, 180);
    return read.ok();
}

}  // namespace

bool ReadForm(FormView& view, Notifier& notifier, strings::Language language, FormValues& values) {
    FormReader read(view, &notifier, language);
    return ReadControls(read, values);
}

void ReadFormAsShown(FormView& view, FormValues& values) {
    FormReader read(view, nullptr, strings::Language::English);
    ReadControls(read, values);
}

void WriteForm(const FormValues& values, FormView& view) {
    view.SetText(ControlId::CurrentPassword, values.current_password);
    view.SetText(ControlId::NewAdminPassword, values.new_admin_password);
    view.SetText(ControlId::ConfirmAdminPassword, values.confirm_admin_password);
    view.SetText(ControlId::NewUserPassword, values.new_user_password);
    view.SetText(ControlId::ConfirmUserPassword, values.confirm_user_password);
    view.SetChecked(ControlId::ChangeAdminPassword, values.change_admin_password);
    view.SetChecked(ControlId::ChangeUserPassword, values.change_user_password);
    view.SetText(ControlId::SelfDestructCounter, Decimal(values.self_destruct_counter));
    view.SetText(ControlId::MinPasswordLength, Decimal(values.min_password_length));
    view.SetComboIndex(ControlId::AdminLanguage, values.admin_language);
    view.SetComboIndex(ControlId::UserLanguage, values.user_language);
    view.SetRadioIndex(ControlId::VirtualCdEnable, values.virtual_cd);
    view.SetRadioIndex(ControlId::RandomKeyPadEnable, values.random_keypad);
    view.SetRadioIndex(ControlId::KeyToneEnable, values.key_tone);
    view.SetRadioIndex(ControlId::SelfDestructEnable, values.self_destruct);
    view.SetRadioIndex(ControlId::RfidEnable, values.rfid);
    view.SetRadioIndex(ControlId::StrongPasswordEnable, values.strong_password);
    for (std::size_t slot = 0; slot < kTagSlotCount; ++slot) {
        view.SetText(TagField(static_cast<int>(slot)), values.tag_texts[slot]);
    }
    view.SetRadioIndex(ControlId::CentrawatchEnable, values.centrawatch);
    for (std::size_t slot = 0; slot < kAdminTagCount; ++slot) {
        view.SetChecked(AdminTagBox(static_cast<int>(slot)), values.admin_tags[slot]);
    }
    view.SetText(ControlId::SerialNumber, values.serial_number);
    view.SetText(ControlId::NewSetupId, values.new_setup_id);
    view.SetChecked(ControlId::ChangeSettings, values.change_settings);
    view.SetChecked(ControlId::ChangeRfidTagData, values.change_rfid_tag_data);
    view.SetText(ControlId::CurrentSetupId, values.current_setup_id);
    view.SetRadioIndex(ControlId::ReadOnlyEnable, values.read_only);
    view.SetRadioIndex(ControlId::AutoLockEnable, values.auto_lock);
    view.SetText(ControlId::AutoLockDelay, Decimal(values.auto_lock_delay));
}

}  // namespace qx7::editor
