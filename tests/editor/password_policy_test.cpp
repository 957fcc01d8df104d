#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "editor/password_policy.h"
#include "strings/text_codec.h"

namespace qx7::editor {
namespace {

using namespace protocol;  // the password character classes
using strings::Language;
using strings::StringId;

std::string Show(std::u16string_view text) { return strings::ToUtf8(text); }

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Bytes(const NarrowPassword& password) {
    return {password.view().begin(), password.view().end()};
}

std::u16string Message(StringId id) { return strings::FormatResString(Language::English, id); }

// ---------------------------------------------------------------------------
// Narrow form and character classes

TEST(NarrowPassword, KeepsTheLowByteOfEachUnitAndAtMost32ZeroPaddedBytes) {
    const NarrowPassword short_one = MakeNarrowPassword(u"A\u01421\u00E9");
    EXPECT_EQ(Bytes(short_one), (std::vector<std::uint8_t>{'A', 0x42, '1', 0xE9}));
    for (std::size_t i = short_one.length; i < kPasswordMaxChars; ++i) EXPECT_EQ(short_one.bytes[i], 0);

    const std::u16string forty(40, u'X');
    const NarrowPassword long_one = MakeNarrowPassword(forty);
    EXPECT_EQ(long_one.length, kPasswordMaxChars);
    EXPECT_EQ(Bytes(long_one), std::vector<std::uint8_t>(kPasswordMaxChars, 'X'));

    EXPECT_EQ(MakeNarrowPassword(u"").length, 0u);
}

TEST(PasswordCharacters, EveryByteHasTheClassOfItsFirstMatchingRow) {
    const std::string_view numeric_extra = "#*";
    const std::string_view special = "-+&_$%^!@";
    for (int value = 0; value < 256; ++value) {
        const auto c = static_cast<std::uint8_t>(value);
        PasswordCharClass expected = kClassInvalid;
        if ((c >= '0' && c <= '9') || numeric_extra.find(static_cast<char>(c)) != std::string_view::npos) {
            expected = kClassNumeric;
        } else if ((c >= 'A' && c <= 'Z') || c == '.') {
            expected = kClassAlpha;
        } else if (c != 0 && special.find(static_cast<char>(c)) != std::string_view::npos) {
            expected = kClassSpecial;
        }
        EXPECT_EQ(ClassifyPasswordCharacter(c), expected) << "byte " << value;

        const bool in_set =
            c != 0 && std::string_view("-+&*_$%^!@#.").find(static_cast<char>(c)) != std::string_view::npos;
        EXPECT_EQ(IsSpecialPasswordCharacter(c), in_set) << "byte " << value;
    }
    // Lower case letters are not letters to the drive.
    EXPECT_EQ(ClassifyPasswordCharacter('a'), kClassInvalid);
}

// ---------------------------------------------------------------------------
// Sequence and letter rules

struct SequenceCase {
    const char* name;
    std::vector<std::uint8_t> password;
    bool linear;
    bool repeating;
    bool letter;
};

TEST(SequenceRules, JudgeOnlyRunsOverTheWholePassword) {
    const SequenceCase cases[] = {
        {"empty", {}, false, false, false},
        {"one character", Bytes("A"), false, false, true},
        {"two ascending", Bytes("AB"), false, false, true},
        {"two descending", Bytes("21"), false, false, false},
        {"two equal", Bytes("AA"), false, true, true},
        {"three ascending", Bytes("ABC"), true, false, true},
        {"three descending", Bytes("321"), true, false, false},
        {"eight ascending letters", Bytes("ABCDEFGH"), true, false, true},
        {"eight descending letters", Bytes("HGFEDCBA"), true, false, true},
        {"eight ascending digits", Bytes("12345678"), true, false, false},
        {"eight equal letters", Bytes("AAAAAAAA"), false, true, true},
        {"seven ascending digits then a letter", Bytes("1234567A"), false, false, true},
        {"a letter then seven descending digits", Bytes("A7654321"), false, false, true},
        {"seven equal letters then another", Bytes("AAAAAAAB"), false, false, true},
        {"step of two", Bytes("ACEG"), false, false, true},
        {"no wrap upwards", {0xFE, 0xFF, 0x00}, false, false, false},
        {"no wrap downwards", {0x01, 0x00, 0xFF}, false, false, false},
        {"digits and dash", Bytes("1234-567"), false, false, false},
        {"hash counts as a letter", Bytes("1234#"), false, false, true},
        {"star counts as a letter", Bytes("*1234"), false, false, true},
        {"dot counts as a letter", Bytes("12.34"), false, false, true},
        {"lower case is no letter", Bytes("abcdefg"), true, false, false},
    };
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsLinearPassword(c.password), c.linear);
        EXPECT_EQ(IsRepeatingPassword(c.password), c.repeating);
        EXPECT_EQ(PassesSequenceRules(c.password), !c.linear && !c.repeating);
        EXPECT_EQ(ContainsLetter(c.password), c.letter);
    }
}

// ---------------------------------------------------------------------------
// ValidatePasswordChanges

// The password fields of the form; nullptr leaves a password unchanged and
// a null confirmation repeats the new password.
struct Inputs {
    const char16_t* current = u"ADMIN01";
    const char16_t* admin = nullptr;
    const char16_t* admin_confirm = nullptr;
    const char16_t* user = nullptr;
    const char16_t* user_confirm = nullptr;
    bool strong = false;
    int min = 7;
};

FormValues MakeForm(const Inputs& in) {
    FormValues values;
    values.current_password = in.current;
    if (in.admin) {
        values.change_admin_password = true;
        values.new_admin_password = in.admin;
        values.confirm_admin_password = in.admin_confirm ? in.admin_confirm : in.admin;
    }
    if (in.user) {
        values.change_user_password = true;
        values.new_user_password = in.user;
        values.confirm_user_password = in.user_confirm ? in.user_confirm : in.user;
    }
    values.strong_password = in.strong ? kEnable : kDisable;
    values.min_password_length = in.min;
    return values;
}

constexpr std::uint8_t kClassBefore = 0x11;  // a value no rule produces

enum class Emptied { None, Admin, User };

struct RefusalCase {
    const char* name;
    Inputs in;
    std::u16string message;
    ControlId focus;
    bool write_back;
    Emptied emptied;
    std::uint8_t class_after;
};

TEST(ValidatePasswordChanges, RefusesWithTheMessageFocusAndFieldsOfTheFailingStep) {
    constexpr auto kAdmin = ControlId::NewAdminPassword;
    constexpr auto kUser = ControlId::NewUserPassword;
    const std::u16string too_long = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567";  // 33
    const RefusalCase cases[] = {
        // Current password.
        {"empty current password, nothing changed",
         {.current = u""},
         Message(StringId::EnterCurrentPassword),
         ControlId::CurrentPassword,
         false,
         Emptied::None,
         kClassBefore},
        {"empty current password before a bad new one",
         {.current = u"", .admin = u"A", .admin_confirm = u"B"},
         Message(StringId::EnterCurrentPassword),
         ControlId::CurrentPassword,
         false,
         Emptied::None,
         kClassBefore},

        // Administrator password.
        {"admin mismatch is tested before length",
         {.admin = u"AB", .admin_confirm = u"AC"},
         Message(StringId::IncorrectAdminPassword),
         kAdmin,
         true,
         Emptied::Admin,
         kClassBefore},
        {"admin mismatch on the text, not the bytes",
         {.admin = u"\u0141BCDEF12", .admin_confirm = u"ABCDEF12"},
         Message(StringId::IncorrectAdminPassword),
         kAdmin,
         true,
         Emptied::Admin,
         kClassBefore},
        {"admin too short",
         {.admin = u"AB"},
         u"Incorrect password length. (7 - 32 Bytes)",
         kAdmin,
         false,
         Emptied::None,
         kClassBefore},
        {"admin one below a minimum of 8",
         {.admin = u"ABC1234", .min = 8},
         u"Incorrect password length. (8 - 32 Bytes)",
         kAdmin,
         false,
         Emptied::None,
         kClassBefore},
        {"admin too long",
         {.admin = too_long.c_str()},
         u"Incorrect password length. (7 - 32 Bytes)",
         kAdmin,
         false,
         Emptied::None,
         kClassBefore},
        {"placeholder is no exemption for the admin password",
         {.admin = u"7391508", .min = 10},
         u"Incorrect password length. (10 - 32 Bytes)",
         kAdmin,
         false,
         Emptied::None,
         kClassBefore},
        {"admin ascending letters, strong",
         {.admin = u"ABCDEFGH", .strong = true},
         Message(StringId::UseStrongPassword),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin descending letters, strong",
         {.admin = u"HGFEDCBA", .strong = true},
         Message(StringId::UseStrongPassword),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin equal letters, strong",
         {.admin = u"AAAAAAAA", .strong = true},
         Message(StringId::UseStrongPassword),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin ascending digits, strong",
         {.admin = u"12345678", .strong = true},
         Message(StringId::UseStrongPassword),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin without letter, strong",
         {.admin = u"1357-246", .strong = true},
         Message(StringId::UseStrongPassword),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin starting with tilde",
         {.admin = u"~ABC1234"},
         Message(StringId::AdminPasswordInvalidCharacters),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin starting lower case",
         {.admin = u"aBC12345"},
         Message(StringId::AdminPasswordInvalidCharacters),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin starting with a zero byte",
         {.admin = u"\u0100BC12345"},
         Message(StringId::AdminPasswordInvalidCharacters),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},
        {"admin with a character the narrowing would change",
         {.admin = u"ABC\u4E411234"},
         Message(StringId::AdminPasswordInvalidCharacters),
         kAdmin,
         false,
         Emptied::Admin,
         kClassBefore},

        // User password.
        {"user mismatch is tested before length",
         {.user = u"AB", .user_confirm = u"A"},
         Message(StringId::IncorrectUserPassword),
         kUser,
         true,
         Emptied::User,
         kClassBefore},
        {"user too short",
         {.user = u"USER1"},
         u"Incorrect password length. (7 - 32 Bytes)",
         kUser,
         false,
         Emptied::None,
         kClassBefore},
        {"user weak, strong",
         {.user = u"ZYXWVUTS", .strong = true},
         Message(StringId::UseStrongPassword),
         kUser,
         false,
         Emptied::User,
         kClassBefore},
        {"user starting lower case",
         {.user = u"uSER1234"},
         Message(StringId::UserPasswordInvalidCharacters),
         kUser,
         false,
         Emptied::User,
         kClassBefore},
        {"user equal to the current admin password",
         {.user = u"ADMIN01"},
         Message(StringId::SameAdminAndUserPassword),
         kUser,
         false,
         Emptied::User,
         kClassAlpha},
        {"user equal to the new admin password",
         {.admin = u"-SECRET1", .user = u"-SECRET1"},
         Message(StringId::SameAdminAndUserPassword),
         kUser,
         false,
         Emptied::User,
         kClassSpecial},
        {"user whose bytes equal the current admin password",
         {.current = u"\u0141DMIN01", .user = u"ADMIN01"},
         Message(StringId::SameAdminAndUserPassword),
         kUser,
         false,
         Emptied::User,
         kClassAlpha},
        {"placeholder still compared with the admin password",
         {.current = u"7391508", .user = u"7391508", .strong = true, .min = 10},
         Message(StringId::SameAdminAndUserPassword),
         kUser,
         false,
         Emptied::User,
         kClassNumeric},

        // A later failure keeps the class the administrator password wrote.
        {"valid admin, user mismatch",
         {.admin = u"1SECRET2", .user = u"USER1234", .user_confirm = u"USER"},
         Message(StringId::IncorrectUserPassword),
         kUser,
         true,
         Emptied::User,
         kClassNumeric},
        {"valid admin, user too short",
         {.admin = u"1SECRET2", .user = u"USER"},
         u"Incorrect password length. (7 - 32 Bytes)",
         kUser,
         false,
         Emptied::None,
         kClassNumeric},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        FormValues values = MakeForm(c.in);
        FormValues expected_values = values;
        if (c.emptied == Emptied::Admin) {
            expected_values.new_admin_password.clear();
            expected_values.confirm_admin_password.clear();
        } else if (c.emptied == Emptied::User) {
            expected_values.new_user_password.clear();
            expected_values.confirm_user_password.clear();
        }
        std::uint8_t char_class = kClassBefore;

        const auto outcome = ValidatePasswordChanges(values, char_class, Language::English);

        const auto* refusal = std::get_if<PasswordRefusal>(&outcome);
        ASSERT_NE(refusal, nullptr);
        EXPECT_EQ(Show(refusal->message), Show(c.message));
        EXPECT_EQ(refusal->focus, c.focus);
        EXPECT_EQ(refusal->write_form_back, c.write_back);
        EXPECT_TRUE(values == expected_values) << "fields left: admin \"" << Show(values.new_admin_password)
                                               << "\", user \"" << Show(values.new_user_password) << "\"";
        EXPECT_EQ(int{char_class}, int{c.class_after});
    }
}

struct AcceptCase {
    const char* name;
    Inputs in;
    std::uint8_t class_after;
};

TEST(ValidatePasswordChanges, AcceptsAndHandsOnTheBytesOfEachPassword) {
    const AcceptCase cases[] = {
        {"nothing changed", {}, kClassBefore},
        {"digits then a letter, strong", {.admin = u"1234567A", .strong = true, .min = 8}, kClassNumeric},
        {"a letter then descending digits, strong", {.admin = u"A7654321", .strong = true, .min = 8}, kClassAlpha},
        {"seven equal letters then another", {.admin = u"AAAAAAAB", .strong = true, .min = 8}, kClassAlpha},
        {"ascending digits with the policy off", {.admin = u"1234567"}, kClassNumeric},
        {"only the first character is classified", {.admin = u"A~~~~~~"}, kClassAlpha},
        {"exactly 32 characters", {.admin = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ123456"}, kClassAlpha},
        {"placeholder ignores length and strength", {.user = u"7391508", .strong = true, .min = 10}, kClassNumeric},
        {"user equal to the old admin password while the admin changes",
         {.admin = u"NEWADMIN", .user = u"ADMIN01"},
         kClassAlpha},
        {"both changed: the user password's class", {.admin = u"1SECRET2", .user = u"-USER123"}, kClassSpecial},
    };
    for (const AcceptCase& c : cases) {
        SCOPED_TRACE(c.name);
        FormValues values = MakeForm(c.in);
        const FormValues before = values;
        std::uint8_t char_class = kClassBefore;

        const auto outcome = ValidatePasswordChanges(values, char_class, Language::English);

        const auto* result = std::get_if<PasswordCheckResult>(&outcome);
        ASSERT_NE(result, nullptr) << Show(std::get<PasswordRefusal>(outcome).message);
        EXPECT_TRUE(values == before);
        EXPECT_EQ(int{char_class}, int{c.class_after});
        EXPECT_EQ(Bytes(result->current_admin), Bytes(MakeNarrowPassword(before.current_password)));
        ASSERT_EQ(result->new_admin.has_value(), c.in.admin != nullptr);
        if (result->new_admin) {
            EXPECT_EQ(Bytes(*result->new_admin), Bytes(MakeNarrowPassword(before.new_admin_password)));
        }
        ASSERT_EQ(result->new_user.has_value(), c.in.user != nullptr);
        if (result->new_user) {
            EXPECT_EQ(Bytes(*result->new_user), Bytes(MakeNarrowPassword(before.new_user_password)));
        }
    }
}

TEST(ValidatePasswordChanges, TakesTheFirst32CharactersOfTheCurrentPassword) {
    FormValues values = MakeForm({.current = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"});
    std::uint8_t char_class = kClassBefore;
    const auto outcome = ValidatePasswordChanges(values, char_class, Language::English);
    ASSERT_TRUE(std::holds_alternative<PasswordCheckResult>(outcome));
    EXPECT_EQ(Bytes(std::get<PasswordCheckResult>(outcome).current_admin), Bytes("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"));
}

TEST(ValidatePasswordChanges, SpeaksTheRequestedLanguage) {
    FormValues values = MakeForm({.admin = u"AB"});
    std::uint8_t char_class = kClassBefore;
    const auto outcome = ValidatePasswordChanges(values, char_class, Language::Korean);
    ASSERT_TRUE(std::holds_alternative<PasswordRefusal>(outcome));
    EXPECT_EQ(Show(std::get<PasswordRefusal>(outcome).message),
              Show(strings::FormatResString(Language::Korean, StringId::IncorrectPasswordLength) + u" (7 - 32 Bytes)"));
}

// ---------------------------------------------------------------------------
// Strong-password coupling with the minimum length

TEST(StrongPasswordCoupling, RaisesToEightOnEnableAndLowersOnlyEightOnDisable) {
    struct Case {
        bool enable;
        int before;
        int after;
    };
    const Case cases[] = {
        {true, 6, 8},  {true, 7, 8},  {true, 8, 8},  {true, 10, 10},
        {false, 8, 7}, {false, 7, 7}, {false, 9, 9}, {false, 10, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.enable ? "enable" : "disable") << " with " << c.before);
        FormValues values;
        values.min_password_length = c.before;
        FormValues expected = values;
        expected.min_password_length = c.after;
        EXPECT_EQ(ApplyStrongPasswordCoupling(values, c.enable), c.before != c.after);
        EXPECT_TRUE(values == expected);
    }
}

}  // namespace
}  // namespace qx7::editor
