#pragma once
// The rules a new password must pass before it reaches the drive, and the
// password step of gathering the form.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "editor/control_id.h"
#include "editor/form_values.h"
#include "protocol/password_characters.h"
#include "strings/string_table.h"

namespace qx7::editor {

// A password as the drive stores it: the low 8 bits of each UTF-16 unit, at
// most 32 bytes.
struct NarrowPassword {
    std::array<std::uint8_t, kPasswordMaxChars> bytes{};  // zero padded
    std::size_t length = 0;

    std::span<const std::uint8_t> view() const { return std::span(bytes).first(length); }
};
NarrowPassword MakeNarrowPassword(std::u16string_view text);

// What a password field holds once `typed` is entered into it: the fields
// force upper case and hold at most 32 characters, and a password is stored
// as one byte a character. `problem` says why the text cannot go into a
// field (empty when it can): longer than 32 characters, or a character the
// byte form cannot keep (above U+00FF once upper-cased, like U+00FF itself)
// or a control character, which no field or keypad can type.
struct PasswordFieldText {
    std::u16string text;
    std::string problem;
};
PasswordFieldText AsPasswordFieldText(std::u16string_view typed);

// The placeholder put into both user-password fields when a user password
// is requested without one; exempt from the length and strength rules.
inline constexpr std::u16string_view kReservedUserPassword = u"7391508";

bool IsLinearPassword(std::span<const std::uint8_t> password);
bool IsRepeatingPassword(std::span<const std::uint8_t> password);
bool ContainsLetter(std::span<const std::uint8_t> password);
bool PassesSequenceRules(std::span<const std::uint8_t> password);

// What a successful check hands to the gathering.
struct PasswordCheckResult {
    NarrowPassword current_admin;
    std::optional<NarrowPassword> new_admin;  // when "Change Admin Password" is ticked
    std::optional<NarrowPassword> new_user;   // when "Change User Password" is ticked
};

// A refusal: the message to show, where the focus goes, and whether the
// form must be written back to its controls (a confirmation mismatch empties
// the two fields on screen too).
struct PasswordRefusal {
    std::u16string message;
    ControlId focus;
    bool write_form_back = false;
};

// Runs the ordered checks on the form's current values (already read from
// the controls). On refusal the fields concerned are emptied in `values` as
// the rules say. `password_char_class` (the drive_settings byte) receives
// the class of each new password's first character as soon as that password
// passes its character step, and keeps it even when a later step fails.
std::variant<PasswordCheckResult, PasswordRefusal> ValidatePasswordChanges(FormValues& values,
                                                                           std::uint8_t& password_char_class,
                                                                           strings::Language language);

// The strong-password radio handlers' coupling with the minimum length:
// "Enable" raises it to 8 when below 8; "Disable" lowers exactly 8 to 7.
// Returns true when the value changed.
bool ApplyStrongPasswordCoupling(FormValues& values, bool strong_enabled);

}  // namespace qx7::editor
