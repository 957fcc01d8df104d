#include "editor/form_values.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "editor/control_table.h"
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

// Reads the controls in order from what the view showed; the first refusal
// shows its message, moves the focus to the control and ends the reading.
// Without a notifier it takes every control as shown and shows nothing: a
// number out of range is taken, while an over-long text, and a number field
// whose text is not a number, keep the value held.
class FormReader {
public:
    FormReader(const FormSnapshot& shown, FormView* view, Notifier* notifier, strings::Language language)
        : shown_(shown), view_(view), notifier_(notifier), language_(language) {}

    bool ok() const { return ok_; }

    // An over-long text is refused and not taken, so a value never holds
    // more than the field allows.
    void Text(ControlId id, std::u16string& value, std::size_t max_chars) {
        if (!ok_) return;
        std::u16string text = shown_.Text(id);
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
        if (ok_) value = shown_.Text(id);
    }

    void Check(ControlId id, bool& value) {
        if (ok_) value = shown_.Checked(id);
    }

    void Radio(ControlId first, int& value) {
        if (ok_) value = shown_.RadioIndex(first);
    }

    // A number out of range has been taken when it is refused.
    void Number(ControlId id, int& value, int min, int max) {
        if (!ok_) return;
        const std::optional<int> parsed = ParseInteger(shown_.Text(id));
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
        value = shown_.ComboIndex(id);
        CheckRange(id, value, min, max);
    }

private:
    void CheckRange(ControlId id, int value, int min, int max) {
        if ((value >= min && value <= max) || !notifier_) return;
        Refuse(id, strings::FormatResString(language_, StringId::EnterIntegerBetween, {Decimal(min), Decimal(max)}));
    }

    void Refuse(ControlId id, const std::u16string& message) {
        notifier_->ShowMessage(message);
        view_->SetFocus(id);
        ok_ = false;
    }

    const FormSnapshot& shown_;
    FormView* view_;
    Notifier* notifier_;
    strings::Language language_;
    bool ok_ = true;
};

bool ReadControls(FormReader& read, FormValues& values) {
    for (const ControlRow* row : ValueRows()) {
        const ControlId id = row->id;
        switch (row->kind) {
            case ControlKind::Edit:
                if (row->max > 0) {
                    read.Text(id, *row->value.text(values), static_cast<std::size_t>(row->max));
                } else {
                    read.Text(id, *row->value.text(values));
                }
                break;
            case ControlKind::Check: read.Check(id, *row->value.flag(values)); break;
            case ControlKind::RadioFirst: read.Radio(id, *row->value.number(values)); break;
            case ControlKind::Number: read.Number(id, *row->value.number(values), row->min, row->max); break;
            case ControlKind::Combo: read.ComboIndex(id, *row->value.number(values), row->min, row->max); break;
            default: break;
        }
    }
    return read.ok();
}

}  // namespace

bool ReadForm(FormView& view, Notifier& notifier, strings::Language language, FormValues& values) {
    // One question to the view, however many controls the form has.
    const FormSnapshot shown = view.Snapshot();
    FormReader read(shown, &view, &notifier, language);
    return ReadControls(read, values);
}

void ReadFormAsShown(const FormSnapshot& shown, FormValues& values) {
    FormReader read(shown, nullptr, nullptr, strings::Language::English);
    ReadControls(read, values);
}

void ReadFormAsShown(FormView& view, FormValues& values) { ReadFormAsShown(view.Snapshot(), values); }

void WriteForm(const FormValues& values, FormView& view) {
    // The fields are only read through the table's accessors.
    FormValues& from = const_cast<FormValues&>(values);
    for (const ControlRow* row : ValueRows()) {
        const ControlId id = row->id;
        switch (row->kind) {
            case ControlKind::Edit: view.SetText(id, *row->value.text(from)); break;
            case ControlKind::Check: view.SetChecked(id, *row->value.flag(from)); break;
            case ControlKind::RadioFirst: view.SetRadioIndex(id, *row->value.number(from)); break;
            case ControlKind::Number: view.SetText(id, Decimal(*row->value.number(from))); break;
            case ControlKind::Combo: view.SetComboIndex(id, *row->value.number(from)); break;
            default: break;
        }
    }
}

}  // namespace qx7::editor
