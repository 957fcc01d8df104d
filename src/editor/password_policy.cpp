#include "editor/password_policy.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

namespace qx7::editor {

namespace {

// String-table ids of the refusals.
using strings::StringId;

// The parts of the checks that differ between the administrator and the
// user password.
struct NewPasswordFields {
    std::u16string& text;
    std::u16string& confirmation;
    ControlId focus;
    StringId mismatch_message;
    StringId invalid_message;
    bool reserved_exempt;  // the placeholder skips the length and strength rules
};

std::u16string LengthMessage(strings::Language language, int min_length) {
    // "<IncorrectPasswordLength> (<min> - <max> Bytes)"
    std::u16string message = strings::FormatResString(language, StringId::IncorrectPasswordLength);
    const std::string bounds =
        " (" + std::to_string(min_length) + " - " + std::to_string(kPasswordMaxChars) + " Bytes)";
    message.append(bounds.begin(), bounds.end());
    return message;
}

PasswordRefusal Refuse(strings::Language language, StringId message, ControlId focus, bool write_form_back = false) {
    return PasswordRefusal{strings::FormatResString(language, message), focus, write_form_back};
}

void EmptyFields(NewPasswordFields& fields) {
    fields.text.clear();
    fields.confirmation.clear();
}

// The confirmation, length, strength and character checks of one new
// password. On success returns its bytes and has written the class of its
// first byte into `password_char_class`.
std::variant<NarrowPassword, PasswordRefusal> CheckNewPassword(NewPasswordFields fields, const FormValues& values,
                                                               std::uint8_t& password_char_class,
                                                               strings::Language language) {
    // A mismatch empties both fields on screen too, so the user types the
    // pair again.
    if (fields.text != fields.confirmation) {
        EmptyFields(fields);
        return Refuse(language, fields.mismatch_message, fields.focus, /*write_form_back=*/true);
    }

    const bool exempt = fields.reserved_exempt && fields.text == kReservedUserPassword;
    if (!exempt) {
        const auto length = static_cast<long long>(fields.text.size());
        if (length < values.min_password_length || length > static_cast<long long>(kPasswordMaxChars)) {
            return PasswordRefusal{LengthMessage(language, values.min_password_length), fields.focus};
        }
    }

    NarrowPassword password = MakeNarrowPassword(fields.text);

    if (!exempt && values.strong_password == kEnable &&
        (!ContainsLetter(password.view()) || !PassesSequenceRules(password.view()))) {
        EmptyFields(fields);
        return Refuse(language, StringId::UseStrongPassword, fields.focus);
    }

    // Only the first character is classified; its class travels to the
    // drive with the password. An empty password has a zero first byte and
    // is refused here.
    const std::uint8_t first = password.bytes[0];
    const protocol::PasswordCharClass char_class = protocol::ClassifyPasswordCharacter(first);
    if (first == 0 || char_class == protocol::kClassInvalid) {
        EmptyFields(fields);
        return Refuse(language, fields.invalid_message, fields.focus);
    }

    // Every character must reach the drive as typed: one above U+00FF
    // would lose its high bits (and U+0000 or U+0100 would put a zero byte
    // into the password), so the drive would store another password than
    // the one the user chose.
    if (std::any_of(fields.text.begin(), fields.text.end(), [](char16_t c) { return c == 0 || c > 0xFF; })) {
        EmptyFields(fields);
        return Refuse(language, fields.invalid_message, fields.focus);
    }

    password_char_class = char_class;
    return password;
}

}  // namespace

NarrowPassword MakeNarrowPassword(std::u16string_view text) {
    NarrowPassword password;
    password.length = std::min(text.size(), kPasswordMaxChars);
    for (std::size_t i = 0; i < password.length; ++i) {
        password.bytes[i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    }
    return password;
}

PasswordFieldText AsPasswordFieldText(std::u16string_view typed) {
    PasswordFieldText field;
    if (typed.size() > kPasswordMaxChars) {
        field.problem = "has more than " + std::to_string(kPasswordMaxChars) + " characters";
        return field;
    }
    for (const char16_t typed_unit : typed) {
        char16_t c = typed_unit;
        // Latin-1's small letters have their capitals 0x20 below, the
        // division sign (0xF7) excepted; U+00FF's capital is U+0178.
        if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c = static_cast<char16_t>(c - 0x20);
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c > 0xFE) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(typed_unit));
            field.problem = std::string("has the character ") + code + ", which a password field cannot hold";
            field.text.clear();
            return field;
        }
        field.text += c;
    }
    return field;
}

bool IsLinearPassword(std::span<const std::uint8_t> password) {
    if (password.size() < 3) return false;
    bool ascending = true;
    bool descending = true;
    for (std::size_t i = 1; i < password.size(); ++i) {
        // In int, so 0xFF is not followed by 0x00 nor 0x00 by 0xFF.
        const int previous = password[i - 1];
        const int current = password[i];
        ascending = ascending && current == previous + 1;
        descending = descending && current == previous - 1;
    }
    return ascending || descending;
}

bool IsRepeatingPassword(std::span<const std::uint8_t> password) {
    if (password.size() < 2) return false;
    return std::all_of(password.begin(), password.end(), [first = password[0]](std::uint8_t c) { return c == first; });
}

bool ContainsLetter(std::span<const std::uint8_t> password) {
    return std::any_of(password.begin(), password.end(),
                       [](std::uint8_t c) { return (c >= 'A' && c <= 'Z') || c == '.' || c == '#' || c == '*'; });
}

bool PassesSequenceRules(std::span<const std::uint8_t> password) {
    return !IsLinearPassword(password) && !IsRepeatingPassword(password);
}

std::variant<PasswordCheckResult, PasswordRefusal> ValidatePasswordChanges(FormValues& values,
                                                                           std::uint8_t& password_char_class,
                                                                           strings::Language language) {
    if (values.current_password.empty()) {
        return Refuse(language, StringId::EnterCurrentPassword, ControlId::CurrentPassword);
    }

    PasswordCheckResult result;
    result.current_admin = MakeNarrowPassword(values.current_password);

    if (values.change_admin_password) {
        auto checked = CheckNewPassword(
            {values.new_admin_password, values.confirm_admin_password, ControlId::NewAdminPassword,
             StringId::IncorrectAdminPassword, StringId::AdminPasswordInvalidCharacters, /*reserved_exempt=*/false},
            values, password_char_class, language);
        if (auto* refusal = std::get_if<PasswordRefusal>(&checked)) return std::move(*refusal);
        result.new_admin = std::get<NarrowPassword>(checked);
    }

    if (values.change_user_password) {
        auto checked = CheckNewPassword(
            {values.new_user_password, values.confirm_user_password, ControlId::NewUserPassword,
             StringId::IncorrectUserPassword, StringId::UserPasswordInvalidCharacters, /*reserved_exempt=*/true},
            values, password_char_class, language);
        if (auto* refusal = std::get_if<PasswordRefusal>(&checked)) return std::move(*refusal);
        result.new_user = std::get<NarrowPassword>(checked);

        // The user password must differ from the administrator password the
        // drive will hold after this upload. The bytes are compared, as the
        // drive stores them: two texts that differ only in characters the
        // narrowing maps to the same byte are the same password there.
        const NarrowPassword& admin = result.new_admin ? *result.new_admin : result.current_admin;
        if (std::ranges::equal(result.new_user->view(), admin.view())) {
            values.new_user_password.clear();
            values.confirm_user_password.clear();
            return Refuse(language, StringId::SameAdminAndUserPassword, ControlId::NewUserPassword);
        }
    }

    return result;
}

bool ApplyStrongPasswordCoupling(FormValues& values, bool strong_enabled) {
    // A strong policy needs at least 8 characters; leaving it steps back
    // to the form's lowest minimum only from exactly that value.
    if (strong_enabled && values.min_password_length < 8) {
        values.min_password_length = 8;
        return true;
    }
    if (!strong_enabled && values.min_password_length == 8) {
        values.min_password_length = 7;
        return true;
    }
    return false;
}

}  // namespace qx7::editor
