// IconButton on the offscreen platform: frames, faces, image and text as
// drawn (read back from grabbed images), hover tracking, clicks and the
// drop-down menu, driven with simulated mouse and keyboard input.

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "ui/widgets/icon_button.h"
#include "ui/widgets/icons.h"

namespace qx7::ui {
namespace {

// Colours no style would pick, so that each frame line can be told apart.
const QColor kFace(200, 200, 200);
const QColor kLight(0, 255, 0);
const QColor kMidlight(0, 128, 0);
const QColor kDark(0, 0, 255);
const QColor kShadow(128, 0, 128);
const QColor kText(255, 128, 0);
const QColor kIconColour(255, 0, 0);

QPalette TestPalette() {
    QPalette colours(Qt::white);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Window, Qt::white);
        colours.setColor(group, QPalette::Button, kFace);
        colours.setColor(group, QPalette::Light, kLight);
        colours.setColor(group, QPalette::Midlight, kMidlight);
        colours.setColor(group, QPalette::Dark, kDark);
        colours.setColor(group, QPalette::Shadow, kShadow);
        colours.setColor(group, QPalette::ButtonText, kText);
        colours.setColor(group, QPalette::WindowText, kText);
    }
    return colours;
}

QIcon SolidIcon(const QColor& colour, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// The bounding box of the pixels of `colour` in `image`.
QRect BoxOf(const QImage& image, const QColor& colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                box = box.united(QRect(x, y, 1, 1));
            }
        }
    }
    return box;
}

// The bounding box of everything drawn on the plain face (antialiased text
// edges included), but for pixels of `except` (an icon's solid colour).
QRect BoxOfInk(const QImage& image, const QColor& except = kFace) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (const QColor pixel = image.pixelColor(x, y); pixel != kFace && pixel != except) {
                box = box.united(QRect(x, y, 1, 1));
            }
        }
    }
    return box;
}

int CountOf(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

// A white top-level host with buttons side by side.
class IconButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_ = std::make_unique<QWidget>();
        host_->setPalette(TestPalette());
        host_->setGeometry(100, 100, 300, 120);
    }
    void TearDown() override {
        // Leave the cursor on free space for the next test's window.
        if (host_->isVisible()) {
            MoveAway();
        }
        host_.reset();
        IconButton::SetDefaultDrawingPath(DrawingPath::Styled);
    }

    IconButton* AddButton(const QString& text, const QRect& geometry) {
        auto* button = new IconButton(text, host_.get());
        button->setGeometry(geometry);
        return button;
    }
    // Shows the host with the mouse in its free bottom-right corner.
    void Show() {
        host_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
        QApplication::processEvents();
        MoveAway();
    }
    // Two moves: a move to where the platform already has the cursor is
    // dropped and would not end a hover left over from an earlier test.
    void MoveAway() {
        QTest::mouseMove(host_.get(), QPoint(290, 110));
        QTest::mouseMove(host_.get(), QPoint(295, 115));
    }
    // Moves the mouse onto `widget` as a user would.
    static void Hover(QWidget* widget) { QTest::mouseMove(widget, widget->rect().center()); }

    std::unique_ptr<QWidget> host_;
};

// ---- Plain drawing path: frames from the palette ------------------------

struct FrameCase {
    const char* name;
    bool hovered;
    bool pressed;
    bool enabled;
    bool border;
    std::optional<QColor> top_left;  // nothing: the face colour (no frame)
    std::optional<QColor> bottom_right;
};

// Names the case in test listings (ctest shows the parameter).
void PrintTo(const FrameCase& frame_case, std::ostream* out) { *out << frame_case.name; }

class PlainFrameTest : public IconButtonTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(PlainFrameTest, FrameLinesFollowTheState) {
    const FrameCase& c = GetParam();
    IconButton* button = AddButton(QString(), QRect(10, 10, 40, 30));
    button->SetDrawingPath(DrawingPath::Plain);
    button->SetBorder(c.border);
    Show();
    Hover(button);
    if (!c.hovered) {
        MoveAway();
    }
    button->setEnabled(c.enabled);
    button->setDown(c.pressed);

    const QImage image = Grab(*button);
    const QColor top_left = c.top_left.value_or(kFace);
    const QColor bottom_right = c.bottom_right.value_or(kFace);
    EXPECT_EQ(image.pixelColor(0, 0), top_left) << c.name;
    EXPECT_EQ(image.pixelColor(20, 0), top_left) << c.name;
    EXPECT_EQ(image.pixelColor(0, 15), top_left) << c.name;
    EXPECT_EQ(image.pixelColor(39, 15), bottom_right) << c.name;
    EXPECT_EQ(image.pixelColor(20, 29), bottom_right) << c.name;
    EXPECT_EQ(image.pixelColor(39, 29), bottom_right) << c.name;
    // The face inside the frame.
    EXPECT_EQ(image.pixelColor(20, 15), kFace) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    States, PlainFrameTest,
    ::testing::Values(FrameCase{"at rest: no frame", false, false, true, true, std::nullopt, std::nullopt},
                      FrameCase{"hovered: raised", true, false, true, true, kLight, kDark},
                      FrameCase{"pressed: sunken", true, true, true, true, kDark, kLight},
                      FrameCase{"hovered without border flag", true, false, true, false, std::nullopt, std::nullopt},
                      FrameCase{"pressed without border flag", true, true, true, false, std::nullopt, std::nullopt},
                      FrameCase{"disabled under the mouse: no frame", true, false, false, true, std::nullopt,
                                std::nullopt}),
    [](const ::testing::TestParamInfo<FrameCase>& frame_case) { return std::to_string(frame_case.index); });

TEST_F(IconButtonTest, NonFlatPlainButtonHasTwoLineFrameAndDefaultBlackFrame) {
    IconButton* button = AddButton(QString(), QRect(10, 10, 40, 30));
    button->SetDrawingPath(DrawingPath::Plain);
    button->SetFlat(false);
    button->setFocusPolicy(Qt::NoFocus);
    Show();
    QImage image = Grab(*button);
    EXPECT_EQ(image.pixelColor(0, 10), kLight);
    EXPECT_EQ(image.pixelColor(1, 10), kMidlight);
    EXPECT_EQ(image.pixelColor(39, 10), kShadow);
    EXPECT_EQ(image.pixelColor(38, 10), kDark);

    button->SetDefault(true);
    image = Grab(*button);
    EXPECT_EQ(image.pixelColor(0, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(39, 10), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(1, 10), kLight);
}

TEST_F(IconButtonTest, TransparentButtonShowsTheParentAndNoFace) {
    IconButton* button = AddButton(QString(), QRect(10, 10, 40, 30));
    button->SetDrawingPath(DrawingPath::Plain);
    button->SetTransparentBackground(true);
    button->SetBorder(false);
    Show();
    const QImage image = Grab(*host_);
    EXPECT_EQ(image.pixelColor(30, 25), QColor(Qt::white));
    EXPECT_EQ(CountOf(image, kFace), 0);
}

// ---- Styled drawing path: the face comes from the current QStyle --------

// Records what the button asks the style to draw and paints the panel in
// one flat colour, so that the test can see where it went.
class RecordingStyle : public QProxyStyle {
public:
    struct Call {
        PrimitiveElement element;
        State state;
        bool default_button;
    };
    static inline const QColor kPanel{255, 0, 255};

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelButtonCommand || element == PE_PanelButtonTool) {
            const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
            calls.push_back(
                {element, option->state, button != nullptr && (button->features & QStyleOptionButton::DefaultButton)});
            painter->fillRect(option->rect, kPanel);
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
    mutable std::vector<Call> calls;
};

TEST_F(IconButtonTest, StyledToolbarButtonDrawsThePanelOnlyWhileHoveredOrPressed) {
    RecordingStyle style;
    IconButton* button = AddButton(QString(), QRect(10, 10, 40, 30));
    button->SetLook(ButtonLook::Toolbar);
    button->setStyle(&style);
    Show();

    QImage image = Grab(*button);
    EXPECT_EQ(CountOf(image, RecordingStyle::kPanel), 0) << "a toolbar button at rest has no face";

    Hover(button);
    style.calls.clear();
    image = Grab(*button);
    ASSERT_EQ(style.calls.size(), 1U);
    EXPECT_EQ(style.calls[0].element, QStyle::PE_PanelButtonTool);
    EXPECT_TRUE(style.calls[0].state & QStyle::State_MouseOver);
    EXPECT_TRUE(style.calls[0].state & QStyle::State_Enabled);
    EXPECT_FALSE(style.calls[0].state & QStyle::State_Sunken);
    // The panel fills the button; none of the plain frame is drawn.
    EXPECT_EQ(image.pixelColor(0, 0), RecordingStyle::kPanel);
    EXPECT_EQ(image.pixelColor(39, 29), RecordingStyle::kPanel);

    button->setDown(true);
    style.calls.clear();
    image = Grab(*button);
    ASSERT_EQ(style.calls.size(), 1U);
    EXPECT_TRUE(style.calls[0].state & QStyle::State_Sunken);
    EXPECT_EQ(image.pixelColor(0, 0), RecordingStyle::kPanel);

    button->setDown(false);
    button->setEnabled(false);
    style.calls.clear();
    image = Grab(*button);
    EXPECT_TRUE(style.calls.empty()) << "a disabled toolbar button cannot be hovered";
    EXPECT_EQ(CountOf(image, RecordingStyle::kPanel), 0);
    button->setStyle(nullptr);
}

TEST_F(IconButtonTest, StyledPushButtonDrawsThePanelInEveryStateAndMarksTheDefault) {
    RecordingStyle style;
    IconButton* button = AddButton(QString(), QRect(10, 10, 40, 30));
    button->setStyle(&style);
    button->SetDefault(true);
    Show();
    MoveAway();

    style.calls.clear();
    QImage image = Grab(*button);
    ASSERT_EQ(style.calls.size(), 1U);
    EXPECT_EQ(style.calls[0].element, QStyle::PE_PanelButtonCommand);
    EXPECT_TRUE(style.calls[0].default_button);
    EXPECT_FALSE(style.calls[0].state & QStyle::State_MouseOver);
    EXPECT_EQ(image.pixelColor(0, 0), RecordingStyle::kPanel);

    Hover(button);
    button->setDown(true);
    style.calls.clear();
    Grab(*button);
    ASSERT_EQ(style.calls.size(), 1U);
    EXPECT_TRUE(style.calls[0].state & QStyle::State_MouseOver);
    EXPECT_TRUE(style.calls[0].state & QStyle::State_Sunken);

    button->setDown(false);
    button->setEnabled(false);
    style.calls.clear();
    Grab(*button);
    ASSERT_EQ(style.calls.size(), 1U);
    EXPECT_FALSE(style.calls[0].state & QStyle::State_Enabled);
    EXPECT_FALSE(style.calls[0].state & QStyle::State_MouseOver);
    button->setStyle(nullptr);
}

TEST_F(IconButtonTest, ProcessWideDrawingPathAppliesUnlessTheButtonHasItsOwn) {
    IconButton* button = AddButton(QString(), QRect(10, 10, 40, 30));
    EXPECT_EQ(button->EffectiveDrawingPath(), DrawingPath::Styled);
    IconButton::SetDefaultDrawingPath(DrawingPath::Plain);
    EXPECT_EQ(button->EffectiveDrawingPath(), DrawingPath::Plain);
    button->SetDrawingPath(DrawingPath::Styled);
    EXPECT_EQ(button->EffectiveDrawingPath(), DrawingPath::Styled);
    button->ClearDrawingPath();
    EXPECT_EQ(button->EffectiveDrawingPath(), DrawingPath::Plain);
}

// ---- Image and text ------------------------------------------------------

TEST_F(IconButtonTest, IconKeepsItsColoursWhenDisabledInBothPaths) {
    for (DrawingPath path : {DrawingPath::Plain, DrawingPath::Styled}) {
        IconButton* button = AddButton(QString(), QRect(10, 10, 48, 40));
        button->SetDrawingPath(path);
        button->SetIcon(SolidIcon(kIconColour, 16), 16);
        Show();
        const QRect enabled_box = BoxOf(Grab(*button), kIconColour);
        button->setEnabled(false);
        const QRect disabled_box = BoxOf(Grab(*button), kIconColour);
        EXPECT_EQ(enabled_box, QRect(16, 12, 16, 16));
        EXPECT_EQ(disabled_box, enabled_box) << "a disabled button keeps its icon in full colour";
        delete button;
    }
}

TEST_F(IconButtonTest, DisabledTextIsEmbossedWithHighlightBelowRightAndShadowInPlace) {
    IconButton* button = AddButton("Exit", QRect(10, 10, 80, 30));
    button->SetDrawingPath(DrawingPath::Plain);
    QFont font = button->font();
    font.setPixelSize(14);
    button->setFont(font);
    Show();
    const QRect enabled_text = BoxOf(Grab(*button), kText);
    ASSERT_FALSE(enabled_text.isEmpty());

    button->setEnabled(false);
    const QImage image = Grab(*button);
    EXPECT_EQ(CountOf(image, kText), 0);
    const QRect shadow = BoxOf(image, kDark);
    const QRect highlight = BoxOf(image, kLight);
    EXPECT_EQ(shadow.topLeft(), enabled_text.topLeft());
    EXPECT_EQ(highlight.bottomRight(), enabled_text.bottomRight() + QPoint(1, 1));
}

TEST_F(IconButtonTest, PressedButtonShiftsImageAndTextByOnePixel) {
    IconButton* button = AddButton("Save As", QRect(10, 10, 120, 40));
    button->SetDrawingPath(DrawingPath::Plain);
    button->SetIcon(SolidIcon(kIconColour, 24), 24);
    Show();
    const QImage rest = Grab(*button);
    button->setDown(true);
    const QImage pressed = Grab(*button);
    EXPECT_EQ(BoxOf(pressed, kIconColour), BoxOf(rest, kIconColour).translated(1, 1));
    EXPECT_EQ(BoxOf(pressed, kText), BoxOf(rest, kText).translated(1, 1));
}

TEST_F(IconButtonTest, ImageAndTextPlacement) {
    // Image left with text: 3 + 4 pixels from the left edge, centred
    // vertically; text centred in what the image leaves.
    IconButton* left = AddButton("Import", QRect(0, 0, 140, 40));
    left->SetDrawingPath(DrawingPath::Plain);
    left->SetIcon(SolidIcon(kIconColour, 32), 32);
    // Image on top: 3 pixels from the top, centred horizontally; the text
    // below it.
    IconButton* top = AddButton("Help", QRect(150, 0, 70, 60));
    top->SetDrawingPath(DrawingPath::Plain);
    top->SetImageAlignment(ImageAlignment::Top);
    top->SetIcon(SolidIcon(kIconColour, 32), 32);
    // Image alone: centred.
    IconButton* alone = AddButton(QString(), QRect(230, 0, 40, 40));
    alone->SetDrawingPath(DrawingPath::Plain);
    alone->SetIcon(SolidIcon(kIconColour, 16), 16);
    Show();

    const QImage left_image = Grab(*left);
    EXPECT_EQ(BoxOf(left_image, kIconColour), QRect(7, 4, 32, 32));
    // The text's ink, not only its pixels of the exact text colour: how much
    // of a glyph is drawn in the full colour depends on the font's rendering.
    const QRect left_text = BoxOfInk(left_image, kIconColour);
    const int free_centre = (3 + 32 + 140) / 2;
    EXPECT_LE(std::abs(left_text.center().x() - free_centre), 2);
    EXPECT_LE(std::abs(left_text.center().y() - 20), 2);

    const QImage top_image = Grab(*top);
    EXPECT_EQ(BoxOf(top_image, kIconColour), QRect(19, 3, 32, 32));
    EXPECT_GE(BoxOf(top_image, kText).top(), 35);

    EXPECT_EQ(BoxOf(Grab(*alone), kIconColour), QRect(12, 12, 16, 16));
}

TEST_F(IconButtonTest, TextIndentAndRightAlignment) {
    IconButton* indented = AddButton("Rescan", QRect(0, 0, 160, 30));
    indented->SetDrawingPath(DrawingPath::Plain);
    indented->SetTextAlignment(TextAlignment::Indented);
    IconButton* right = AddButton("Copy Tags\nTo Clipboard", QRect(0, 40, 160, 50));
    right->SetDrawingPath(DrawingPath::Plain);
    right->SetTextAlignment(TextAlignment::Right);
    Show();

    // Indented: starts half the text area's height in.
    const QRect indented_text = BoxOfInk(Grab(*indented));
    EXPECT_GE(indented_text.left(), 15);
    EXPECT_LE(indented_text.left(), 17);
    // Right: ends 4 pixels before the right edge.
    const QRect right_text = BoxOfInk(Grab(*right));
    EXPECT_GE(right_text.right(), 160 - 4 - 3);
    EXPECT_LE(right_text.right(), 160 - 4 - 1);
}

// ---- Input: hover, clicks ------------------------------------------------

TEST_F(IconButtonTest, ExactlyOneButtonIsHoveredAsTheMouseMovesAcross) {
    IconButton* first = AddButton("One", QRect(10, 10, 60, 30));
    IconButton* second = AddButton("Two", QRect(70, 10, 60, 30));
    Show();

    Hover(first);
    EXPECT_TRUE(first->IsHovered());
    EXPECT_FALSE(second->IsHovered());
    EXPECT_EQ(IconButton::HoveredButton(), first);

    Hover(second);
    EXPECT_FALSE(first->IsHovered());
    EXPECT_TRUE(second->IsHovered());
    EXPECT_EQ(IconButton::HoveredButton(), second);
    EXPECT_EQ(second->property("hovered").toBool(), true);

    // A lost leave notification still leaves only one hovered button.
    QEnterEvent enter(QPointF(5, 5), QPointF(15, 15), first->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(first, &enter);
    EXPECT_TRUE(first->IsHovered());
    EXPECT_FALSE(second->IsHovered());

    Hover(first);
    MoveAway();
    EXPECT_FALSE(first->IsHovered());
    EXPECT_EQ(IconButton::HoveredButton(), nullptr);
}

TEST_F(IconButtonTest, DisablingOrHidingClearsTheHover) {
    IconButton* button = AddButton("One", QRect(10, 10, 60, 30));
    Show();
    Hover(button);
    ASSERT_TRUE(button->IsHovered());
    button->setEnabled(false);
    EXPECT_FALSE(button->IsHovered());
    EXPECT_EQ(IconButton::HoveredButton(), nullptr);

    button->setEnabled(true);
    QTest::mouseMove(button, QPoint(5, 5));
    ASSERT_TRUE(button->IsHovered());
    button->hide();
    EXPECT_EQ(IconButton::HoveredButton(), nullptr);
}

// A fast double click as platforms deliver it: with a second press before
// the double-click event, or (as on Windows) with the double-click event in
// place of the second press. Both give two clicks.
TEST_F(IconButtonTest, FastDoubleClickGivesTwoClicks) {
    using Sequence = std::vector<QEvent::Type>;
    const std::vector<Sequence> sequences = {
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress, QEvent::MouseButtonDblClick,
         QEvent::MouseButtonRelease},
        {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease},
    };
    IconButton* button = AddButton("Copy", QRect(10, 10, 60, 30));
    Show();
    const QPointF at(10, 10);
    for (const Sequence& sequence : sequences) {
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        for (QEvent::Type type : sequence) {
            const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, at, button->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(button, &event);
        }
        EXPECT_EQ(clicks.count(), 2) << sequence.size() << " events";
    }
}

// The window's buttons are worked from the keyboard like any push button:
// Tab moves the focus onto one (an icon-only one too), Space presses it, and
// a click leaves the focus on the button clicked.
TEST_F(IconButtonTest, TabReachesTheButtonSpacePressesItAndAClickFocusesIt) {
    IconButton* first = AddButton("One", QRect(10, 10, 60, 30));
    IconButton* icon_only = AddButton(QString(), QRect(80, 10, 30, 30));
    icon_only->SetIcon(SolidIcon(kIconColour, 16));
    Show();
    host_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    first->setFocus();
    ASSERT_TRUE(first->hasFocus());

    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(icon_only->hasFocus());
    QSignalSpy clicks(icon_only, &QAbstractButton::clicked);
    QTest::keyClick(icon_only, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);

    QTest::mouseClick(first, Qt::LeftButton, {}, first->rect().center());
    EXPECT_TRUE(first->hasFocus());
}

TEST_F(IconButtonTest, IconSizeZeroTakesTheIconsOwnSize) {
    IconButton* close = AddButton(QString(), QRect(10, 10, 30, 30));
    close->SetIcon(LoadIcon(188));
    EXPECT_EQ(close->IconPixelSize(), QSize(16, 16));
    close->SetIcon(LoadIcon(187));
    EXPECT_EQ(close->IconPixelSize(), QSize(32, 32));

    IconButton* button = AddButton(QString(), QRect(10, 10, 30, 30));
    button->SetIcon(SolidIcon(kIconColour, 24));
    EXPECT_EQ(button->IconPixelSize(), QSize(24, 24));
    button->SetIcon(SolidIcon(kIconColour, 24), 16);
    EXPECT_EQ(button->IconPixelSize(), QSize(16, 16));
    button->SetIcon(QIcon());
    EXPECT_FALSE(button->HasIcon());
}

// ---- Drop-down menu ------------------------------------------------------

class MenuButtonTest : public IconButtonTest {
protected:
    void SetUp() override {
        IconButtonTest::SetUp();
        button_ = AddButton("Settings", QRect(40, 20, 70, 50));
        button_->SetDrawingPath(DrawingPath::Plain);
        auto* menu = new QMenu;
        QMenu* language = menu->addMenu("Language");
        english_ = language->addAction("English");
        english_->setData(32787);
        update_ = menu->addAction("Check for Update");
        update_->setData(32793);
        menu->addAction("About")->setData(32792);
        button_->SetMenu(menu);
        Show();
    }
    // Clicks the button and returns the open menu.
    QMenu* Open() {
        QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(10, 10));
        QMenu* menu = button_->Menu();
        EXPECT_TRUE(menu->isVisible());
        return menu;
    }

    IconButton* button_ = nullptr;
    QAction* english_ = nullptr;
    QAction* update_ = nullptr;
};

TEST_F(MenuButtonTest, MenuOpensBelowTheLeftEdgeAndButtonIsDrawnPressedWhileOpen) {
    QMenu* menu = Open();
    EXPECT_EQ(menu->pos(), button_->mapToGlobal(QPoint(0, button_->height())));
    EXPECT_TRUE(button_->IsMenuShown());
    EXPECT_TRUE(button_->IsDrawnPressed());
    const QImage image = Grab(*button_);
    EXPECT_EQ(image.pixelColor(0, 0), kDark) << "sunken frame while the menu is open";
    EXPECT_EQ(image.pixelColor(69, 49), kLight);
}

TEST_F(MenuButtonTest, ChosenCommandIsPostedAfterTheMenuCloses) {
    QSignalSpy commands(button_, &IconButton::menuCommand);
    QMenu* menu = Open();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(update_).center());
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(commands.count(), 0) << "posted, not sent from inside the menu";
    ASSERT_TRUE(commands.wait(1000));
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).toInt(), 32793);
    QTest::qWait(10);
    EXPECT_FALSE(button_->IsMenuShown());
    EXPECT_FALSE(button_->IsDrawnPressed());

    // A command of the Language sub-menu arrives the same way.
    Open();
    english_->trigger();
    ASSERT_TRUE(commands.wait(1000));
    EXPECT_EQ(commands.at(1).at(0).toInt(), 32787);
}

TEST_F(MenuButtonTest, DismissedMenuPostsNothing) {
    QSignalSpy commands(button_, &IconButton::menuCommand);
    QSignalSpy clicks(button_, &QAbstractButton::clicked);
    QMenu* menu = Open();
    QTest::keyClick(menu, Qt::Key_Escape);
    QTest::qWait(50);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_FALSE(button_->IsMenuShown());
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(clicks.count(), 1) << "the click itself still reaches the window";

    // An action triggered while the menu is closed (a shortcut, say) is not
    // a choice from the drop-down.
    update_->trigger();
    QTest::qWait(50);
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(MenuButtonTest, ReplacingTheMenuDeletesTheOldOne) {
    QPointer<QMenu> old_menu = button_->Menu();
    button_->SetMenu(new QMenu);
    EXPECT_TRUE(old_menu.isNull());
    button_->SetMenu(nullptr);
    EXPECT_EQ(button_->Menu(), nullptr);
    QSignalSpy clicks(button_, &QAbstractButton::clicked);
    QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(button_->IsMenuShown());
}

}  // namespace
}  // namespace qx7::ui
