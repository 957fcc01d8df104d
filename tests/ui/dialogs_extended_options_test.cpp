// The extended options dialog: its boxes in their screen order with their
// captions in both languages, the values it starts with and hands back, and
// the way the window's button opens it (OK applies, Cancel changes nothing).

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include "support/qt_texts.h"
#include "support/session_over_sim.h"
#include "ui/dialogs/extended_options_dialog.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

using editor::ControlId;
using editor::ExtendedOptions;
using strings::Language;
using test_support::Caption;

struct Row {
    std::uint16_t control;
    std::uint32_t bit;  // 0: the administrator-mode box
    const char* english;
    const char* korean;
};

// Top to bottom as the administrator sees them.
constexpr Row kScreenOrder[] = {
    {1128, 0, "Use Centrawatch in Administrator mode", "관리자 모드에서 Centrawatch 사용"},
    {1184, 0x200, "User Password", "User Password"},
    {1125, 0x10, "Disable Centrawatch Change", "Centrawatch 설정 변경 차단"},
    {1129, 0x1000, "Auto-Lock", "Auto-Lock"},
    {1122, 0x80, "Disable Strong Password Change", "강력한 비밀번호 설정 변경 차단"},
    {1123, 0x20, "Disable Zeroize Drive Function", "드라이브 완전 삭제 기능 차단"},
    {1124, 0x8, "Disable Switching Off RFID", "RFID 끄기 차단"},
    {1126, 0x800, "Read-Only Mode", "Read-Only Mode"},
    {1121, 0x4, "Disable Self Destruct Change", "자체 파기 설정 변경 차단"},
};

void ClickBox(QCheckBox* box) {
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

int TopIn(const QWidget& dialog, const QWidget* widget) { return widget->mapTo(&dialog, QPoint(0, 0)).y(); }

TEST(ExtendedOptionsDialog, ShowsItsBoxesInOrderWithTheCaptionsOfEachLanguage) {
    const struct {
        Language language;
        const char* title;
        const char* group;
        const char* ok;
        const char* cancel;
    } languages[] = {
        {Language::English, "Extended Settings", "Extended Menu Options", "OK", "Cancel"},
        {Language::Korean, "확장 설정", "확장 메뉴 옵션", "확인", "취소"},
    };
    for (const auto& l : languages) {
        SCOPED_TRACE(l.title);
        const test_support::QtTextsIn qt_texts(l.language);
        ExtendedOptionsDialog dialog(nullptr, {}, l.language);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(l.title));
        EXPECT_EQ(dialog.Group()->title(), QString::fromUtf8(l.group));
        int previous_top = -1;
        for (const Row& row : kScreenOrder) {
            SCOPED_TRACE(row.control);
            const QCheckBox* box = dialog.Box(row.control);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), QString::fromUtf8(l.language == Language::Korean ? row.korean : row.english));
            const int top = TopIn(dialog, box);
            EXPECT_GT(top, previous_top);
            previous_top = top;
            // The block-menu boxes are in the group; the administrator mode
            // stands above it.
            EXPECT_EQ(dialog.Group()->isAncestorOf(box), row.bit != 0);
        }
        // OK, then Cancel, below the boxes; OK is the default button.
        EXPECT_GT(TopIn(dialog, dialog.OkButton()), previous_top);
        EXPECT_LT(dialog.OkButton()->x(), dialog.CancelButton()->x());
        EXPECT_TRUE(dialog.OkButton()->isDefault());
        EXPECT_EQ(Caption(dialog.OkButton()->text()), QString::fromUtf8(l.ok));
        EXPECT_EQ(Caption(dialog.CancelButton()->text()), QString::fromUtf8(l.cancel));
    }
}

TEST(ExtendedOptionsDialog, StartsFromTheMaskAndGreysTheAdministratorModeOnceOn) {
    ExtendedOptionsDialog dialog(nullptr, {0x1804, false}, Language::English);
    for (const Row& row : kScreenOrder) {
        SCOPED_TRACE(row.english);
        const bool ticked = row.control == 1121 || row.control == 1126 || row.control == 1129;
        EXPECT_EQ(dialog.Box(row.control)->isChecked(), ticked);
        EXPECT_TRUE(dialog.Box(row.control)->isEnabled());
    }
    EXPECT_EQ(dialog.Chosen().mask, 0x1804u);

    ExtendedOptionsDialog admin(nullptr, {0, true}, Language::English);
    EXPECT_TRUE(admin.Box(1128)->isChecked());
    EXPECT_FALSE(admin.Box(1128)->isEnabled());
    ClickBox(admin.Box(1128));
    EXPECT_TRUE(admin.Chosen().centrawatch_admin_mode) << "a greyed box cannot be unticked";
}

TEST(ExtendedOptionsDialog, EachBoxGivesItsOwnBitAndOkClearsBitsItDoesNotShow) {
    for (const Row& row : kScreenOrder) {
        SCOPED_TRACE(row.english);
        ExtendedOptionsDialog dialog(nullptr, {}, Language::English);
        dialog.show();
        ClickBox(dialog.Box(row.control));
        const ExtendedOptions chosen = dialog.Chosen();
        EXPECT_EQ(chosen.mask, row.bit);
        EXPECT_EQ(chosen.centrawatch_admin_mode, row.bit == 0);
    }
    // 0x40 came from an imported file; the dialog has no box for it.
    ExtendedOptionsDialog dialog(nullptr, {0x1804 | 0x40, false}, Language::English);
    dialog.show();
    for (const std::uint16_t control : {1121, 1126, 1129}) ClickBox(dialog.Box(control));
    EXPECT_EQ(dialog.Chosen().mask, 0u);
}

// The window's "Set Extended Settings" button over a simulated drive: OK
// applies the boxes to the form, Cancel and Escape leave it as it was, and
// the next opening shows what the form holds.
TEST(ExtendedOptionsDialog, TheWindowsButtonAppliesOkAndIgnoresCancel) {
    test_support::SessionOverSim run;
    ASSERT_TRUE(run.WaitIdle());
    MainWindow& window = run.desk->window();
    QWidget* change_settings = window.Control(ControlId::ChangeSettings);
    QTest::mouseClick(change_settings, Qt::LeftButton, {}, QPoint(6, change_settings->height() / 2));
    ASSERT_TRUE(run.WaitIdle());
    ASSERT_TRUE(window.Enabled(ControlId::SetExtendedSettings));

    std::optional<ExtendedOptions> shown;
    std::function<void(ExtendedOptionsDialog&)> answer;
    run.desk->dialogs().set_dialog_hook([&](QDialog& dialog) {
        auto& options = dynamic_cast<ExtendedOptionsDialog&>(dialog);
        shown = options.Chosen();
        shown->centrawatch_admin_mode = options.Box(1128)->isChecked() && !options.Box(1128)->isEnabled();
        if (answer) answer(options);
    });
    const auto open = [&] {
        shown.reset();
        QTest::mouseClick(window.Control(ControlId::SetExtendedSettings), Qt::LeftButton);
        ASSERT_TRUE(run.WaitIdle());
        ASSERT_TRUE(shown.has_value());
    };
    const auto form = [&] {
        ExtendedOptions held;
        run.desk->PostToLogic([&held](app::Configurator& c) { held = c.form().extended_options(); });
        EXPECT_TRUE(run.WaitIdle());
        return held;
    };

    answer = [](ExtendedOptionsDialog& d) {
        d.show();
        ClickBox(d.Box(1128));
        ClickBox(d.Box(1124));
        QTest::mouseClick(d.OkButton(), Qt::LeftButton);
    };
    open();
    EXPECT_EQ(shown->mask, 0u) << "the mask starts empty after a drive read";
    EXPECT_EQ(form().mask, 0x8u);
    EXPECT_TRUE(form().centrawatch_admin_mode);

    for (const bool by_escape : {false, true}) {
        SCOPED_TRACE(by_escape ? "Escape" : "Cancel");
        answer = [by_escape](ExtendedOptionsDialog& d) {
            d.show();
            ClickBox(d.Box(1124));
            ClickBox(d.Box(1121));
            if (by_escape)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
        };
        open();
        EXPECT_EQ(shown->mask, 0x8u);
        EXPECT_TRUE(shown->centrawatch_admin_mode) << "ticked and greyed";
        EXPECT_EQ(form().mask, 0x8u);
        EXPECT_TRUE(form().centrawatch_admin_mode);
    }
}

}  // namespace
}  // namespace qx7::ui
