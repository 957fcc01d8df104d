// The exchange between the form values and the controls: every value goes
// to its own control and back, and reading refuses out-of-range entries with
// the standard messages, stopping at the refused control.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "editor/form_values.h"
#include "support/fake_view.h"

namespace qx7::editor {
namespace {

using strings::Language;

const std::vector<std::u16string> kSixLanguages = {u"English", u"French",   u"German",
                                                   u"Spanish", u"Japanese", u"Korean"};

// Every value differs from its initial value and from its neighbours, so a
// value sent to the wrong control shows up.
FormValues DistinctValues() {
    FormValues v;
    v.current_password = u"CUR";
    v.new_admin_password = u"NEWADMIN";
    v.confirm_admin_password = u"CONFADMIN";
    v.new_user_password = u"NEWUSER";
    v.confirm_user_password = u"CONFUSER";
    v.change_admin_password = true;
    v.change_user_password = true;
    v.self_destruct_counter = 25;
    v.min_password_length = 12;
    v.admin_language = 4;
    v.user_language = 2;
    v.virtual_cd = kEnable;
    v.random_keypad = kDisable;
    v.key_tone = kDisable;
    v.self_destruct = kDisable;
    v.rfid = kEnable;
    v.strong_password = kEnable;
    v.tag_texts = {u"T1", u"T2", u"T3", u"T4", u"T5"};
    v.centrawatch = kDisable;
    v.admin_tags = {true, false, true};
    v.serial_number = u"SERIAL";
    v.new_setup_id = u"NEWID";
    v.change_settings = true;
    v.change_rfid_tag_data = true;
    v.current_setup_id = u"CURID";
    v.read_only = kDisable;
    v.auto_lock = kDisable;
    v.auto_lock_delay = 120;
    return v;
}

class FormExchangeTest : public ::testing::Test {
protected:
    FormExchangeTest() {
        view.SetComboLines(ControlId::AdminLanguage, kSixLanguages);
        view.SetComboLines(ControlId::UserLanguage, kSixLanguages);
        WriteForm(FormValues{}, view);
    }

    bool Read(FormValues& values, Language language = Language::English) {
        return ReadForm(view, notifier, language, values);
    }

    test::FakeView view;
    test::FakeNotifier notifier;
};

TEST_F(FormExchangeTest, EveryValueRoundTripsThroughItsOwnControl) {
    const FormValues written = DistinctValues();
    WriteForm(written, view);
    FormValues read;
    EXPECT_TRUE(Read(read));
    EXPECT_EQ(read, written);
    EXPECT_TRUE(notifier.messages.empty());
    // Spot checks of the control each value lands in.
    EXPECT_EQ(view.Text(ControlId::MinPasswordLength), u"12");
    EXPECT_EQ(view.ComboIndex(ControlId::AdminLanguage), 4);
    EXPECT_TRUE(view.Checked(ControlId::AdminTag3));
    EXPECT_EQ(view.Text(ControlId::TagField5), u"T5");
}

struct Entry {
    const char* name;
    ControlId control;
    std::u16string text;                    // typed into the control
    std::optional<std::u16string> refusal;  // the message, or accepted
};

// Names the case where the test listing shows the parameter (ctest's names),
// instead of the struct's bytes, which hold addresses and change per build.
void PrintTo(const Entry& entry, std::ostream* out) { *out << entry.name; }

class ReadFormEntries : public FormExchangeTest, public ::testing::WithParamInterface<Entry> {};

TEST_P(ReadFormEntries, AcceptOrRefuseWithTheStandardMessage) {
    const Entry& e = GetParam();
    view.SetText(e.control, e.text);
    FormValues values;
    EXPECT_EQ(Read(values), !e.refusal);
    if (e.refusal) {
        EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{*e.refusal});
        EXPECT_EQ(view.focus, e.control);
    } else {
        EXPECT_TRUE(notifier.messages.empty());
    }
}

const std::u16string k33Chars(33, u'A');

INSTANTIATE_TEST_SUITE_P(
    Fields, ReadFormEntries,
    ::testing::Values(
        Entry{"MinLengthBelowRange", ControlId::MinPasswordLength, u"4", u"Enter an integer between 7 and 31."},
        Entry{"MinLengthSpinBottom", ControlId::MinPasswordLength, u"6", u"Enter an integer between 7 and 31."},
        Entry{"MinLengthTop", ControlId::MinPasswordLength, u"31", std::nullopt},
        Entry{"CounterAboveRange", ControlId::SelfDestructCounter, u"36", u"Enter an integer between 10 and 35."},
        Entry{"DelayBelowRange", ControlId::AutoLockDelay, u"9", u"Enter an integer between 10 and 180."},
        Entry{"DelayWithBlanksAndSign", ControlId::AutoLockDelay, u" +180 ", std::nullopt},
        Entry{"NegativeCounter", ControlId::SelfDestructCounter, u"-10", u"Enter an integer between 10 and 35."},
        Entry{"NotANumber", ControlId::MinPasswordLength, u"8x", u"Enter an integer."},
        Entry{"EmptyNumber", ControlId::AutoLockDelay, u"", u"Enter an integer."},
        Entry{"NumberTooLargeForInt", ControlId::AutoLockDelay, u"99999999999", u"Enter an integer."},
        Entry{"PasswordOf32", ControlId::NewAdminPassword, std::u16string(32, u'A'), std::nullopt},
        Entry{"PasswordOf33", ControlId::ConfirmUserPassword, k33Chars, u"Enter no more than 32 characters."}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(FormExchangeTest, ALanguageListWithoutSelectionIsRefusedAsOutOfRange) {
    view.SetComboIndex(ControlId::UserLanguage, -1);
    FormValues values;
    EXPECT_FALSE(Read(values));
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"Enter an integer between 0 and 5."});
    EXPECT_EQ(view.focus, ControlId::UserLanguage);
    EXPECT_EQ(values.user_language, -1);
}

TEST_F(FormExchangeTest, ReadingStopsAtTheRefusedControl) {
    FormValues values;  // what the form held before
    view.SetText(ControlId::NewAdminPassword, u"EARLIER");
    view.SetText(ControlId::SelfDestructCounter, u"20");
    view.SetText(ControlId::MinPasswordLength, u"4");
    view.SetRadioIndex(ControlId::RfidEnable, kEnable);
    view.SetChecked(ControlId::ChangeSettings, true);
    view.SetText(ControlId::AutoLockDelay, u"120");

    EXPECT_FALSE(Read(values));
    EXPECT_EQ(values.new_admin_password, u"EARLIER");
    EXPECT_EQ(values.self_destruct_counter, 20);
    EXPECT_EQ(values.min_password_length, 4);  // the refused number is taken
    EXPECT_EQ(values.rfid, kDisable);
    EXPECT_FALSE(values.change_settings);
    EXPECT_EQ(values.auto_lock_delay, 60);
}

TEST_F(FormExchangeTest, AnOverLongPasswordIsNotTaken) {
    FormValues values;
    values.new_user_password = u"BEFORE";
    view.SetText(ControlId::NewUserPassword, k33Chars);
    EXPECT_FALSE(Read(values));
    EXPECT_EQ(values.new_user_password, u"BEFORE");
}

TEST_F(FormExchangeTest, MessagesFollowTheFormLanguage) {
    view.SetText(ControlId::MinPasswordLength, u"4");
    FormValues values;
    EXPECT_FALSE(Read(values, Language::Korean));
    EXPECT_EQ(notifier.texts(), std::vector<std::u16string>{u"7에서 31 사이의 정수를 입력하십시오."});
}

}  // namespace
}  // namespace qx7::editor
