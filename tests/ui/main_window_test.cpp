// The main window's widgets: the form view on real controls, the signals of
// user actions, the two window sizes, captions, accelerators and closing.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <set>

#include "strings/string_table.h"
#include "ui/widgets/icon_button.h"
#include "ui/window/dialog_units.h"
#include "ui/window/main_window.h"
#include "ui/window/number_edit.h"

namespace qx7::ui {
namespace {

using editor::ControlId;
using strings::StringId;

QString ToQ(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

QString String(strings::Language language, StringId id) { return ToQ(strings::FormatResString(language, id)); }

// The commands in a spy on MainWindow::command, in order.
std::vector<ControlId> Commands(const QSignalSpy& spy) {
    std::vector<ControlId> ids;
    for (const QList<QVariant>& call : spy) {
        ids.push_back(call.at(0).value<ControlId>());
    }
    return ids;
}

// ---------------------------------------------------------------------------
// Dialog units

TEST(DialogUnitsTest, ConvertsEdgesSoThatTouchingControlsStillTouch) {
    // The units of an 8-point dialog font at 96 dpi (6 × 13 base units).
    const DialogUnits units(1.5, 1.625);
    struct Case {
        QRect in_units;
        QRect in_pixels;
    };
    const Case cases[] = {
        {QRect(0, 0, 4, 8), QRect(0, 0, 6, 13)},
        {QRect(281, 410, 61, 24), QRect(422, 666, 91, 39)},
        {QRect(1, 1, 1, 1), QRect(2, 2, 1, 1)},  // 1.5 → 2, 3.0 → 3
    };
    for (const Case& c : cases) {
        EXPECT_EQ(units.ToPixels(c.in_units), c.in_pixels) << c.in_units.x() << "," << c.in_units.y();
    }
    // Neighbours at odd unit positions neither overlap nor leave a gap.
    const QRect left = units.ToPixels(QRect(11, 124, 161, 70));
    const QRect right = units.ToPixels(QRect(172, 124, 169, 70));
    EXPECT_EQ(left.x() + left.width(), right.x());
}

TEST(DialogUnitsTest, FollowTheFontSize) {
    QFont small = QApplication::font();
    small.setPixelSize(12);
    QFont large = small;
    large.setPixelSize(24);
    const DialogUnits a(small);
    const DialogUnits b(large);
    EXPECT_GT(a.UnitX(), 0.0);
    EXPECT_GT(a.UnitY(), 0.0);
    EXPECT_NEAR(b.UnitX() / a.UnitX(), 2.0, 0.2);
    EXPECT_NEAR(b.UnitY() / a.UnitY(), 2.0, 0.2);
    // A letter is about four units wide and a line eight units high.
    const QFontMetricsF metrics(small);
    EXPECT_NEAR(metrics.horizontalAdvance(QLatin1Char('n')) / a.UnitX(), 4.0, 1.5);
    EXPECT_NEAR(metrics.height() / a.UnitY(), 8.0, 0.01);
}

// ---------------------------------------------------------------------------
// Form view on the widgets

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { window_ = std::make_unique<MainWindow>(); }

    // Shown and active, for input and focus.
    void ShowActive() {
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    template <typename T>
    T* Widget(ControlId id) const {
        return qobject_cast<T*>(window_->Control(id));
    }

    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowTest, TextsRoundTripThroughTheirWidgets) {
    struct Case {
        ControlId id;
        std::u16string text;
    };
    const Case cases[] = {
        {ControlId::CurrentPassword, u"ADMIN1234"},
        {ControlId::NewUserPassword, u"7391508"},
        {ControlId::ConfirmUserPassword, u"USER1234"},
        {ControlId::SerialNumber, u"QX7A0012345678B9"},
        {ControlId::CurrentSetupId, u"No Previous Setup ID"},
        {ControlId::NewSetupId, u"2014-05-12-15"},
        {ControlId::TagField3, u"04 A1 B2 C3 "},
        {ControlId::FolderField, u"/home/admin/qx7 logs"},
        // Number fields show what they are given, also outside their range
        // or not a number at all: the form refuses it when it reads.
        {ControlId::SelfDestructCounter, u"35"},
        {ControlId::MinPasswordLength, u"4"},
        {ControlId::AutoLockDelay, u"0"},
        {ControlId::AutoLockDelay, u""},
    };
    for (const Case& c : cases) {
        window_->SetText(c.id, c.text);
        EXPECT_EQ(window_->Text(c.id), c.text) << static_cast<int>(c.id);
        QWidget* widget = window_->Control(c.id);
        const QString shown = qobject_cast<QLineEdit*>(widget) != nullptr ? qobject_cast<QLineEdit*>(widget)->text()
                                                                          : qobject_cast<NumberEdit*>(widget)->Text();
        EXPECT_EQ(shown, ToQ(c.text)) << static_cast<int>(c.id);
    }
    // Password fields never hold more than 32 characters.
    window_->SetText(ControlId::NewAdminPassword, std::u16string(40, u'A'));
    EXPECT_EQ(window_->Text(ControlId::NewAdminPassword).size(), 32u);
    // A control without text, and an id without a control, read as empty.
    EXPECT_EQ(window_->Text(ControlId::ChangeSettings), u"");
    EXPECT_EQ(window_->Text(ControlId::Ok), u"");
}

TEST_F(MainWindowTest, PasswordFieldsMaskAndCapitaliseWhatIsTyped) {
    ShowActive();
    struct Case {
        ControlId id;
        bool masked;
    };
    for (const Case c : {Case{ControlId::CurrentPassword, true}, Case{ControlId::NewAdminPassword, true},
                         Case{ControlId::ConfirmAdminPassword, true}, Case{ControlId::NewUserPassword, false},
                         Case{ControlId::ConfirmUserPassword, true}}) {
        auto* edit = Widget<QLineEdit>(c.id);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->echoMode() == QLineEdit::Password, c.masked) << static_cast<int>(c.id);
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("ab1c"));
        EXPECT_EQ(window_->Text(c.id), u"AB1C") << static_cast<int>(c.id);
    }
    for (ControlId id : {ControlId::SerialNumber, ControlId::NewSetupId, ControlId::CurrentSetupId}) {
        EXPECT_TRUE(Widget<QLineEdit>(id)->isReadOnly()) << static_cast<int>(id);
    }
}

TEST_F(MainWindowTest, NumberFieldArrowsStepWithinTheirRange) {
    struct Case {
        ControlId id;
        std::u16string start;
        int steps;
        std::u16string after;
    };
    const Case cases[] = {
        {ControlId::SelfDestructCounter, u"10", 1, u"15"},
        {ControlId::SelfDestructCounter, u"35", 1, u"35"},
        {ControlId::SelfDestructCounter, u"12", -1, u"10"},
        {ControlId::MinPasswordLength, u"7", -1, u"6"},  // the arrows go one lower than the form accepts
        {ControlId::MinPasswordLength, u"4", 1, u"6"},   // from outside the range into it
        {ControlId::AutoLockDelay, u"60", 3, u"90"},
        {ControlId::AutoLockDelay, u"175", 1, u"180"},
        {ControlId::AutoLockDelay, u"", 1, u"20"},  // no number: from the bottom of the range
    };
    for (const Case& c : cases) {
        window_->SetText(c.id, c.start);
        Widget<NumberEdit>(c.id)->stepBy(c.steps);
        EXPECT_EQ(window_->Text(c.id), c.after) << static_cast<int>(c.id) << " from " << ToQ(c.start).toStdString();
    }
    // Only digits can be typed.
    ShowActive();
    auto* delay = Widget<NumberEdit>(ControlId::AutoLockDelay);
    window_->SetText(ControlId::AutoLockDelay, u"");
    delay->setFocus();
    QTest::keyClicks(delay, QStringLiteral("1a2-0"));
    EXPECT_EQ(window_->Text(ControlId::AutoLockDelay), u"120");
}

TEST_F(MainWindowTest, ChecksAndRadioPairsRoundTrip) {
    for (ControlId id : {ControlId::ChangeAdminPassword, ControlId::ChangeUserPassword, ControlId::ChangeSettings,
                         ControlId::ChangeRfidTagData, ControlId::AdminTag1, ControlId::AdminTag2, ControlId::AdminTag3,
                         ControlId::AutoSaveConfiguration, ControlId::EnableLog}) {
        for (bool checked : {true, false}) {
            window_->SetChecked(id, checked);
            EXPECT_EQ(window_->Checked(id), checked) << static_cast<int>(id);
            EXPECT_EQ(Widget<QCheckBox>(id)->isChecked(), checked) << static_cast<int>(id);
        }
    }

    const std::pair<ControlId, ControlId> pairs[] = {
        {ControlId::CentrawatchEnable, ControlId::CentrawatchDisable},
        {ControlId::SelfDestructEnable, ControlId::SelfDestructDisable},
        {ControlId::VirtualCdEnable, ControlId::VirtualCdDisable},
        {ControlId::StrongPasswordEnable, ControlId::StrongPasswordDisable},
        {ControlId::RandomKeyPadEnable, ControlId::RandomKeyPadDisable},
        {ControlId::KeyToneEnable, ControlId::KeyToneDisable},
        {ControlId::ReadOnlyEnable, ControlId::ReadOnlyDisable},
        {ControlId::AutoLockEnable, ControlId::AutoLockDisable},
        {ControlId::RfidEnable, ControlId::RfidDisable},
    };
    // Before the form is written neither button of a pair is selected.
    for (const auto& [first, second] : pairs) {
        EXPECT_EQ(window_->RadioIndex(first), -1) << static_cast<int>(first);
    }
    struct Step {
        int set;
        int read;
        bool first_on;
        bool second_on;
    };
    const Step steps[] = {{editor::kDisable, 1, false, true},
                          {editor::kEnable, 0, true, false},
                          {5, -1, false, false},  // an index of neither button clears the pair
                          {editor::kDisable, 1, false, true}};
    for (const auto& [first, second] : pairs) {
        for (const Step& step : steps) {
            window_->SetRadioIndex(first, step.set);
            EXPECT_EQ(window_->RadioIndex(first), step.read) << static_cast<int>(first) << " set " << step.set;
            EXPECT_EQ(Widget<QRadioButton>(first)->isChecked(), step.first_on) << static_cast<int>(first);
            EXPECT_EQ(Widget<QRadioButton>(second)->isChecked(), step.second_on) << static_cast<int>(second);
        }
    }
    // Pairs are independent of each other although they share a group box.
    window_->SetRadioIndex(ControlId::KeyToneEnable, editor::kEnable);
    window_->SetRadioIndex(ControlId::VirtualCdEnable, editor::kEnable);
    EXPECT_EQ(window_->RadioIndex(ControlId::KeyToneEnable), editor::kEnable);
}

TEST_F(MainWindowTest, DropDownListsRoundTripLinesAndSelection) {
    EXPECT_EQ(window_->ComboLines(ControlId::DriveList), std::vector<std::u16string>{u"QX7 Not Detected"});
    EXPECT_EQ(window_->ComboIndex(ControlId::DriveList), 0);

    const std::vector<std::u16string> six{u"English", u"French", u"German", u"Spanish", u"Japanese", u"Korean"};
    for (ControlId id : {ControlId::AdminLanguage, ControlId::UserLanguage, ControlId::DriveList}) {
        window_->SetComboLines(id, six);
        EXPECT_EQ(window_->ComboLines(id), six);
        // New lines come without a selection.
        EXPECT_EQ(window_->ComboIndex(id), -1);
        struct Case {
            int set;
            int read;
        };
        for (const Case c : {Case{5, 5}, Case{0, 0}, Case{6, -1}, Case{3, 3}, Case{-1, -1}, Case{-7, -1}}) {
            window_->SetComboIndex(id, c.set);
            EXPECT_EQ(window_->ComboIndex(id), c.read) << static_cast<int>(id) << " set " << c.set;
            EXPECT_EQ(Widget<QComboBox>(id)->currentIndex(), c.read);
        }
        window_->SetComboLines(id, {});
        EXPECT_TRUE(window_->ComboLines(id).empty());
        EXPECT_EQ(window_->ComboIndex(id), -1);
    }
}

TEST_F(MainWindowTest, EnabledStateAndFocusFollowTheView) {
    // A number field and its arrows are one widget: either id reaches it.
    const ControlId ids[] = {ControlId::UploadSettings,
                             ControlId::CurrentPassword,
                             ControlId::DriveList,
                             ControlId::RfidDisable,
                             ControlId::ChangeRfidTagData,
                             ControlId::FolderButton,
                             ControlId::DetectCurrentSettings,
                             ControlId::SelfDestructSpin,
                             ControlId::TagField5,
                             ControlId::Exit};
    for (ControlId id : ids) {
        for (bool enabled : {false, true}) {
            window_->SetEnabled(id, enabled);
            EXPECT_EQ(window_->Enabled(id), enabled) << static_cast<int>(id);
            EXPECT_EQ(window_->Control(id)->isEnabled(), enabled) << static_cast<int>(id);
        }
    }
    window_->SetEnabled(ControlId::MinPasswordLength, false);
    EXPECT_FALSE(window_->Enabled(ControlId::MinPasswordLengthSpin));
    EXPECT_FALSE(window_->Enabled(ControlId::Ok));  // no such control
    window_->SetEnabled(ControlId::Ok, true);       // ignored, no crash

    ShowActive();
    for (ControlId id : {ControlId::CurrentPassword, ControlId::Rescan, ControlId::Exit, ControlId::ReadRfidTag,
                         ControlId::AdminLanguage}) {
        if (id == ControlId::ReadRfidTag) {
            window_->LayOut(true);
        }
        window_->SetFocus(id);
        EXPECT_EQ(QApplication::focusWidget(), window_->Control(id)) << static_cast<int>(id);
    }
}

TEST_F(MainWindowTest, SettersEmitNoUserSignals) {
    QSignalSpy commands(window_.get(), &MainWindow::command);
    QSignalSpy drives(window_.get(), &MainWindow::driveSelectionChanged);
    ShowActive();
    window_->LayOut(true);
    window_->SetComboLines(ControlId::DriveList, {u"E: QX7", u"F: QX7"});
    window_->SetComboIndex(ControlId::DriveList, 1);
    window_->SetComboIndex(ControlId::DriveList, 0);
    window_->SetComboLines(ControlId::AdminLanguage, {u"English", u"French"});
    window_->SetComboIndex(ControlId::AdminLanguage, 1);
    for (ControlId id : {ControlId::ChangeAdminPassword, ControlId::ChangeUserPassword, ControlId::ChangeSettings,
                         ControlId::ChangeRfidTagData, ControlId::AdminTag2, ControlId::EnableLog}) {
        window_->SetChecked(id, true);
        window_->SetChecked(id, false);
    }
    for (ControlId first : {ControlId::RfidEnable, ControlId::StrongPasswordEnable, ControlId::CentrawatchEnable}) {
        window_->SetRadioIndex(first, editor::kDisable);
        window_->SetRadioIndex(first, editor::kEnable);
    }
    window_->SetText(ControlId::AutoLockDelay, u"90");
    window_->SetEnabled(ControlId::UploadSettings, false);
    window_->SetEnabled(ControlId::UploadSettings, true);
    QApplication::processEvents();
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(drives.count(), 0);
}

TEST_F(MainWindowTest, UserClicksEmitTheirCommand) {
    ShowActive();
    window_->LayOut(true);
    QSignalSpy commands(window_.get(), &MainWindow::command);
    const ControlId clicked[] = {
        ControlId::UploadSettings,         // icon button
        ControlId::Rescan,                 // icon-only button
        ControlId::ChangeSettings,         // check box
        ControlId::AdminTag3,              // check box in the RFID group
        ControlId::RfidDisable,            // radio button
        ControlId::StrongPasswordEnable,   // radio button
        ControlId::DetectCurrentSettings,  // push button
        ControlId::FolderButton,           // picture button
        ControlId::CopyTags,
    };
    for (ControlId id : clicked) {
        QWidget* widget = window_->Control(id);
        // Check boxes and radio buttons take clicks on their indicator.
        const bool indicator =
            qobject_cast<QCheckBox*>(widget) != nullptr || qobject_cast<QRadioButton*>(widget) != nullptr;
        const QPoint at = indicator ? QPoint(6, widget->height() / 2) : widget->rect().center();
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    }
    EXPECT_EQ(Commands(commands), std::vector<ControlId>(std::begin(clicked), std::end(clicked)));
    // The click took effect on the widget too.
    EXPECT_TRUE(window_->Checked(ControlId::ChangeSettings));
    EXPECT_EQ(window_->RadioIndex(ControlId::RfidEnable), editor::kDisable);

    // A disabled button gives nothing.
    commands.clear();
    window_->SetEnabled(ControlId::UploadSettings, false);
    QTest::mouseClick(window_->Control(ControlId::UploadSettings), Qt::LeftButton);
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(MainWindowTest, ChoosingADriveLineSignalsTheSelection) {
    ShowActive();
    window_->SetComboLines(ControlId::DriveList, {u"E: QX7", u"F: QX7"});
    window_->SetComboIndex(ControlId::DriveList, 0);
    QSignalSpy drives(window_.get(), &MainWindow::driveSelectionChanged);
    QSignalSpy commands(window_.get(), &MainWindow::command);
    auto* list = Widget<QComboBox>(ControlId::DriveList);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(drives.count(), 1);
    EXPECT_EQ(window_->ComboIndex(ControlId::DriveList), 1);
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(MainWindowTest, LeavingTheCurrentPasswordSignalsFocusLoss) {
    ShowActive();
    QSignalSpy lost(window_.get(), &MainWindow::currentPasswordFocusLost);
    window_->SetEnabled(ControlId::NewAdminPassword, true);
    Widget<QLineEdit>(ControlId::CurrentPassword)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_NE(QApplication::focusWidget(), window_->Control(ControlId::CurrentPassword));
    // Leaving another field says nothing.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(lost.count(), 1);
    // The mouse into another field.
    Widget<QLineEdit>(ControlId::CurrentPassword)->setFocus();
    QTest::mouseClick(window_->Control(ControlId::FolderField), Qt::LeftButton);
    EXPECT_EQ(lost.count(), 2);
}

// ---------------------------------------------------------------------------
// Accelerators and closing

TEST_F(MainWindowTest, AcceleratorsComeBeforeTheControlsOwnKeys) {
    ShowActive();
    window_->SetText(ControlId::CurrentPassword, u"SECRET");
    window_->SetText(ControlId::TagField2, u"04 A1 ");
    window_->SetText(ControlId::AutoLockDelay, u"60");
    window_->LayOut(true);
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* name;
    };
    const Key keys[] = {{Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
                        {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
                        {Qt::Key_S, Qt::ControlModifier, "Ctrl+S"},
                        {Qt::Key_Escape, Qt::NoModifier, "Esc"}};
    const ControlId focused[] = {ControlId::CurrentPassword, ControlId::TagField2, ControlId::AutoLockDelay,
                                 ControlId::AdminLanguage, ControlId::UploadSettings};
    for (ControlId focus : focused) {
        for (const Key& key : keys) {
            QSignalSpy uploads(window_.get(), &MainWindow::uploadShortcut);
            QSignalSpy commands(window_.get(), &MainWindow::command);
            window_->SetFocus(focus);
            QTest::keyClick(QApplication::focusWidget(), key.key, key.modifiers);
            const std::string where = std::string(key.name) + " in " + std::to_string(static_cast<int>(focus));
            if (key.key == Qt::Key_C) {
                EXPECT_EQ(uploads.count(), 1) << where;
                EXPECT_EQ(commands.count(), 0) << where;
            } else {
                EXPECT_EQ(uploads.count(), 0) << where;
                const ControlId expected = key.key == Qt::Key_S ? ControlId::Ok : ControlId::Exit;
                EXPECT_EQ(Commands(commands), std::vector<ControlId>{expected}) << where;
            }
        }
    }
    // Ctrl+X did not cut the fields' text.
    EXPECT_EQ(window_->Text(ControlId::CurrentPassword), u"SECRET");
    EXPECT_EQ(window_->Text(ControlId::TagField2), u"04 A1 ");
    EXPECT_EQ(window_->Text(ControlId::AutoLockDelay), u"60");
}

TEST_F(MainWindowTest, WindowManagerCloseAsksAndTheWindowStaysOpen) {
    ShowActive();
    QSignalSpy close_requests(window_.get(), &MainWindow::closeRequested);
    QSignalSpy title_closes(window_.get(), &MainWindow::titleCloseRequested);
    EXPECT_FALSE(window_->close());
    EXPECT_EQ(close_requests.count(), 1);
    EXPECT_EQ(title_closes.count(), 0);
    EXPECT_TRUE(window_->isVisible());
    EXPECT_FALSE(window_->IsDone());

    QTest::mouseClick(window_->CloseButton(), Qt::LeftButton);
    EXPECT_EQ(title_closes.count(), 1);
    EXPECT_EQ(close_requests.count(), 1);
    EXPECT_TRUE(window_->isVisible());

    // Once the logic has ended the window, a close is no longer a request.
    window_->Done(app::DialogResult::Ok);
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(close_requests.count(), 1);
}

// ---------------------------------------------------------------------------
// Menus

std::vector<int> MenuCommands(const QMenu* menu) {
    std::vector<int> ids;
    for (const QAction* action : menu->actions()) {
        if (action->menu() != nullptr) {
            for (int id : MenuCommands(action->menu())) {
                ids.push_back(id);
            }
        } else if (!action->isSeparator()) {
            ids.push_back(action->data().toInt());
        }
    }
    return ids;
}

TEST_F(MainWindowTest, MenusHoldTheirCommandsAndPassTheChosenOne) {
    EXPECT_EQ(MenuCommands(window_->SettingsMenu()),
              (std::vector<int>{MainWindow::kMenuEnglish, MainWindow::kMenuKorean, MainWindow::kMenuCheckForUpdate,
                                MainWindow::kMenuAbout}));
    EXPECT_EQ(
        MenuCommands(window_->HelpMenu()),
        (std::vector<int>{MainWindow::kMenuSupportRequest, MainWindow::kMenuWebSite, MainWindow::kMenuHelpAbout}));
    EXPECT_EQ(window_->Button(MainWindow::kSettingsButton)->Menu(), window_->SettingsMenu());
    EXPECT_EQ(window_->Button(MainWindow::kHelpButton)->Menu(), window_->HelpMenu());
    window_->SetWebSiteCaption(QStringLiteral("www.example.com"));
    EXPECT_EQ(window_->HelpMenu()->actions().at(1)->text(), QStringLiteral("www.example.com"));

    ShowActive();
    QSignalSpy menu_commands(window_.get(), &MainWindow::menuCommand);
    QSignalSpy commands(window_.get(), &MainWindow::command);
    // "한국어" through the Language submenu by keyboard, as a user would.
    QTest::mouseClick(window_->Button(MainWindow::kSettingsButton), Qt::LeftButton);
    QMenu* menu = window_->SettingsMenu();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_Down);   // Language
    QTest::keyClick(menu, Qt::Key_Right);  // opens it on "English"
    QMenu* language = menu->actions().at(0)->menu();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(language));
    QTest::keyClick(language, Qt::Key_Down);
    QTest::keyClick(language, Qt::Key_Return);
    ASSERT_TRUE(menu_commands.wait(1000));
    EXPECT_EQ(menu_commands.at(0).at(0).toInt(), MainWindow::kMenuKorean);

    // Help: "Support Request".
    QTest::mouseClick(window_->Button(MainWindow::kHelpButton), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_->HelpMenu()));
    QTest::keyClick(window_->HelpMenu(), Qt::Key_Down);
    QTest::keyClick(window_->HelpMenu(), Qt::Key_Return);
    ASSERT_TRUE(menu_commands.wait(1000));
    EXPECT_EQ(menu_commands.at(1).at(0).toInt(), MainWindow::kMenuSupportRequest);
    // The two menu buttons are no commands of their own.
    EXPECT_EQ(commands.count(), 0);
}

// The Language submenu marks the language in force, and only that one; a
// choice that is not (yet) carried out leaves the mark where it was.
TEST_F(MainWindowTest, TheLanguageSubmenuMarksTheLanguageInForce) {
    QMenu* language = window_->SettingsMenu()->actions().at(0)->menu();
    ASSERT_NE(language, nullptr);
    const auto marked = [language] {
        std::vector<int> ids;
        for (const QAction* action : language->actions()) {
            EXPECT_TRUE(action->isCheckable());
            if (action->isChecked()) ids.push_back(action->data().toInt());
        }
        return ids;
    };
    EXPECT_EQ(marked(), std::vector<int>{MainWindow::kMenuEnglish});
    window_->ApplyCaptions(strings::Language::Korean);
    EXPECT_EQ(marked(), std::vector<int>{MainWindow::kMenuKorean});

    // Chosen, but the window still speaks Korean: the mark stays.
    language->actions().at(0)->trigger();
    EXPECT_EQ(marked(), std::vector<int>{MainWindow::kMenuKorean});
    window_->ApplyCaptions(strings::Language::English);
    EXPECT_EQ(marked(), std::vector<int>{MainWindow::kMenuEnglish});
}

// The bottom row of the template: the Folder button at x 250 and Save As at
// x 278 (dialog units), the folder field reaching to the Folder button.
TEST_F(MainWindowTest, FolderRowSitsWhereTheTemplatePutsIt) {
    const auto left = [this](ControlId id) { return window_->Control(id)->mapTo(window_.get(), QPoint(0, 0)).x(); };
    const DialogUnits& units = window_->Units();
    EXPECT_EQ(left(ControlId::FolderButton), units.X(250));
    EXPECT_EQ(left(ControlId::SaveAs), units.X(278));
    EXPECT_EQ(left(ControlId::FolderField), units.X(52));
    const QWidget* field = window_->Control(ControlId::FolderField);
    const int gap = left(ControlId::FolderButton) - (left(ControlId::FolderField) + field->width());
    EXPECT_GE(gap, 0);
    EXPECT_LE(gap, units.X(2) + 1);
    // Save As keeps its right edge in line with Exit's.
    const QWidget* save_as = window_->Control(ControlId::SaveAs);
    const QWidget* exit = window_->Control(ControlId::Exit);
    EXPECT_EQ(left(ControlId::SaveAs) + save_as->width(), left(ControlId::Exit) + exit->width());
}

// ---------------------------------------------------------------------------
// Size, captions and names

TEST_F(MainWindowTest, NarrowAndWideWindowsFollowTheirEdgeButtons) {
    const auto right_edge = [this](int id) {
        const QWidget* widget = window_->Control(id);
        return widget->mapTo(window_.get(), QPoint(widget->width(), 0)).x();
    };
    const QWidget* exit = window_->Control(ControlId::Exit);
    const int height = exit->y() + exit->height() + 19;
    QWidget* band_button = window_->Control(MainWindow::kBandButton);
    QWidget* close_button = window_->CloseButton();

    window_->show();
    EXPECT_FALSE(window_->IsWide());
    const QSize narrow(right_edge(static_cast<int>(ControlId::Exit)) + 19, height);
    EXPECT_EQ(window_->size(), narrow);
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    EXPECT_FALSE(window_->Control(1076)->isVisible());
    const QPoint narrow_close = close_button->pos();
    EXPECT_EQ(band_button->pos(), narrow_close - QPoint(25, 0));
    EXPECT_FALSE(band_button->geometry().intersects(close_button->geometry()));
    EXPECT_LE(close_button->x() + close_button->width(), narrow.width());

    window_->LayOut(true);
    EXPECT_TRUE(window_->IsWide());
    const int tags_right = right_edge(static_cast<int>(ControlId::CopyTags));
    EXPECT_EQ(window_->size(), QSize(tags_right + 29, height));
    EXPECT_GT(window_->width(), narrow.width());
    EXPECT_TRUE(window_->Control(1076)->isVisible());
    EXPECT_EQ(close_button->pos(), QPoint(tags_right, narrow_close.y()));
    EXPECT_EQ(band_button->pos(), QPoint(tags_right - 25, narrow_close.y()));
    // Every control of the form lies inside the wide window.
    for (QWidget* child : window_->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->isWindow()) {
            continue;
        }
        const QRect where(child->mapTo(window_.get(), QPoint(0, 0)), child->size());
        EXPECT_TRUE(window_->rect().contains(where)) << child->metaObject()->className();
    }

    window_->LayOut(false);
    EXPECT_EQ(window_->size(), narrow);
    EXPECT_EQ(close_button->pos(), narrow_close);
    EXPECT_FALSE(window_->Control(1076)->isVisible());
}

TEST_F(MainWindowTest, TabOrderFollowsTheForm) {
    window_->LayOut(true);
    // The form's controls in the order the Tab key visits them.
    std::vector<const QWidget*> chain;
    for (QWidget* w = window_->nextInFocusChain(); w != window_.get(); w = w->nextInFocusChain()) {
        chain.push_back(w);
    }
    const int expected[] = {MainWindow::kSettingsButton,
                            MainWindow::kHelpButton,
                            1002,
                            1019,
                            1119,
                            1120,
                            1136,
                            1130,
                            1047,
                            1042,
                            1044,
                            1046,
                            1053,
                            1050,
                            1052,
                            1133,
                            1098,
                            1099,
                            1081,
                            1082,
                            1058,
                            1094,
                            1061,
                            1067,
                            1084,
                            1088,
                            1089,
                            1069,
                            1070,
                            1055,
                            1073,
                            1064,
                            1126,
                            1020,
                            1078,
                            1079,
                            1134,
                            1142,
                            1112,
                            1143,
                            1114,
                            1144,
                            1115,
                            1145,
                            1146,
                            1092,
                            1096,
                            1121,
                            1147,
                            1149,
                            1150,
                            1040,
                            1100,
                            1113,
                            1007,
                            2};
    std::ptrdiff_t previous = -1;
    for (int id : expected) {
        const auto at = std::find(chain.begin(), chain.end(), window_->Control(id));
        ASSERT_NE(at, chain.end()) << id;
        EXPECT_GT(at - chain.begin(), previous) << id;
        previous = at - chain.begin();
    }
}

TEST_F(MainWindowTest, GeometryFollowsTheWindowFont) {
    const QSize before = window_->size();
    const QRect upload_before = window_->Control(ControlId::UploadSettings)->geometry();
    QFont larger = window_->font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    window_->setFont(larger);
    EXPECT_GT(window_->width(), before.width() * 3 / 2);
    EXPECT_GT(window_->height(), before.height() * 3 / 2);
    EXPECT_GT(window_->Control(ControlId::UploadSettings)->width(), upload_before.width() * 3 / 2);
    // The band keeps its height: the buttons on it stay inside it.
    EXPECT_LE(window_->CloseButton()->y() + window_->CloseButton()->height(), ThemedWindow::kBandHeight);
}

TEST_F(MainWindowTest, ListedCaptionsFollowTheLanguageAndTheOthersStayEnglish) {
    using strings::Language;
    const auto text = [this](int id) -> QString {
        QWidget* widget = window_->Control(id);
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
        if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
        return qobject_cast<QAbstractButton*>(widget)->text();
    };
    struct Listed {
        int control;
        StringId string;
    };
    const Listed listed[] = {{1001, StringId::SelectedDevice},    {1081, StringId::Enable},
                             {1079, StringId::Disable},           {1053, StringId::CreateUserPassword},
                             {1085, StringId::SelfDestructLimit}, {1132, StringId::SettingsGroup},
                             {1121, StringId::CopyTags},          {1007, StringId::UploadSettings},
                             {1155, StringId::SettingsMenu},      {1156, StringId::HelpMenu}};
    const std::pair<int, const char*> template_only[] = {
        {1084, "Enable"}, {1089, "Disable"}, {1112, "Admin TAG #1"}, {1120, "Copy"}, {1020, "Detect Current Settings"}};

    for (Language language : {Language::Korean, Language::English, Language::Korean}) {
        window_->ApplyCaptions(language);
        EXPECT_EQ(window_->CaptionLanguage(), language);
        for (const Listed& c : listed) {
            EXPECT_EQ(text(c.control), String(language, c.string)) << c.control;
        }
        for (const auto& [id, caption] : template_only) {
            EXPECT_EQ(text(id), QString::fromUtf8(caption)) << id;
        }
        EXPECT_EQ(window_->TitleLabel()->text(), String(language, StringId::ProgramName));
        EXPECT_EQ(window_->windowTitle(), String(language, StringId::ProgramName));
        // Rescan shows its icon only; its caption names it.
        EXPECT_TRUE(text(static_cast<int>(ControlId::Rescan)).isEmpty());
        EXPECT_EQ(window_->Control(ControlId::Rescan)->accessibleName(), String(language, StringId::Rescan));
    }
    EXPECT_NE(String(Language::Korean, StringId::SelectedDevice), String(Language::English, StringId::SelectedDevice));
}

TEST_F(MainWindowTest, EveryButtonWithoutTextHasAName) {
    for (strings::Language language : {strings::Language::English, strings::Language::Korean}) {
        window_->ApplyCaptions(language);
        int unnamed_icon_buttons = 0;
        for (const QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
            if (button->text().isEmpty()) {
                EXPECT_FALSE(button->accessibleName().isEmpty())
                    << button->metaObject()->className() << " at " << button->x() << "," << button->y();
            }
            if (qobject_cast<const IconButton*>(button) != nullptr && button->accessibleName().isEmpty()) {
                ++unnamed_icon_buttons;
            }
        }
        EXPECT_EQ(unnamed_icon_buttons, 0);
    }
}

// Captions that do not fit their control are cut off on screen.
TEST_F(MainWindowTest, CaptionsFitTheirControlsInBothLanguages) {
    const bool hangul = QFontDatabase::families(QFontDatabase::Korean).size() > 0;
    window_->LayOut(true);
    window_->show();
    for (strings::Language language : {strings::Language::English, strings::Language::Korean}) {
        if (language == strings::Language::Korean && !hangul) {
            continue;  // no font for Korean here; widths would be meaningless
        }
        window_->ApplyCaptions(language);
        for (const QWidget* widget : window_->findChildren<QWidget*>()) {
            const std::string name =
                widget->metaObject()->className() + std::string(" ") + std::to_string(static_cast<int>(language));
            if (const auto* label = qobject_cast<const QLabel*>(widget);
                label != nullptr && label != window_->TitleLabel()) {
                if (label->text().isEmpty()) continue;
                EXPECT_LE(label->sizeHint().width(), label->width()) << name << " " << label->text().toStdString();
            } else if (qobject_cast<const QCheckBox*>(widget) != nullptr ||
                       qobject_cast<const QRadioButton*>(widget) != nullptr) {
                const auto* button = qobject_cast<const QAbstractButton*>(widget);
                EXPECT_LE(button->sizeHint().width(), button->width()) << name << " " << button->text().toStdString();
            } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
                EXPECT_LE(group->fontMetrics().horizontalAdvance(group->title()) + 16, group->width()) << name;
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Busy state

TEST_F(MainWindowTest, BusyCursorAndProgressIndication) {
    window_->show();
    EXPECT_FALSE(window_->IsBusy());
    window_->SetBusy(true);
    EXPECT_TRUE(window_->IsBusy());
    EXPECT_EQ(window_->cursor().shape(), Qt::BusyCursor);
    window_->SetBusy(false);
    EXPECT_EQ(window_->cursor().shape(), Qt::ArrowCursor);

    EXPECT_FALSE(window_->IsProgressShown());
    window_->ShowProgress(QStringLiteral("Waiting for the drive"));
    EXPECT_TRUE(window_->IsProgressShown());
    EXPECT_EQ(window_->ProgressText(), QStringLiteral("Waiting for the drive"));
    window_->HideProgress();
    EXPECT_FALSE(window_->IsProgressShown());
}

}  // namespace
}  // namespace qx7::ui
