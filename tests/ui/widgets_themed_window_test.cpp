// ThemedWindow on the offscreen platform: the band as drawn, the drag
// decision, moves started by presses, and the ways the window ends.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ui/widgets/icon_button.h"
#include "ui/widgets/themed_window.h"

namespace qx7::ui {
namespace {

QImage Grab(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

void ExpectBand(const QImage& image, const QColor& caption, int x) {
    EXPECT_EQ(image.pixelColor(x, 0), caption) << "x " << x;
    EXPECT_EQ(image.pixelColor(x, ThemedWindow::kBandHeight - 1), caption) << "x " << x;
    EXPECT_EQ(image.pixelColor(x, ThemedWindow::kBandHeight), QColor(Qt::white)) << "x " << x;
    EXPECT_EQ(image.pixelColor(x, image.height() - 1), QColor(Qt::white)) << "x " << x;
}

TEST(ThemedWindowTest, BandHasTheCaptionColourAndIsThirtyEightPixelsHighAlsoAfterAResize) {
    for (const std::optional<QColor>& colour : {std::optional<QColor>(), std::optional(QColor(153, 51, 51))}) {
        ThemedWindow window;
        if (colour) {
            window.SetCaptionColor(*colour);
        }
        const QColor expected = colour.value_or(QColor(153, 102, 102));
        EXPECT_EQ(window.CaptionColor(), expected);
        window.setFixedSize(400, 200);
        window.PlaceBandControls();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QImage image = Grab(window);
        for (int x : {0, 50, 200, 399}) {
            ExpectBand(image, expected, x);
        }

        // Wider and taller, by program: the band follows the new width.
        window.setFixedSize(640, 260);
        image = Grab(window);
        ASSERT_EQ(image.width(), 640);
        for (int x : {0, 450, 639}) {
            ExpectBand(image, expected, x);
        }
    }
}

TEST(ThemedWindowTest, TitleIsCentredWhiteSixteenPixelMediumText) {
    ThemedWindow window;
    window.setFixedSize(400, 200);
    window.PlaceBandControls();
    window.SetTitle("QX7 Configurator");
    EXPECT_EQ(window.windowTitle(), QString("QX7 Configurator"));
    EXPECT_EQ(window.TitleLabel()->font().pixelSize(), 16);
    EXPECT_EQ(window.TitleLabel()->font().weight(), QFont::Medium);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);

    const QImage image = Grab(window);
    const QRect title = window.TitleLabel()->geometry();
    QRect white_text;
    for (int y = 0; y < ThemedWindow::kBandHeight; ++y) {
        for (int x = title.left(); x <= title.right(); ++x) {
            if (image.pixelColor(x, y) == QColor(Qt::white)) {
                white_text = white_text.united(QRect(x, y, 1, 1));
            }
        }
    }
    ASSERT_FALSE(white_text.isEmpty());
    EXPECT_LE(std::abs(white_text.center().x() - 200), 3);
    EXPECT_LE(std::abs(white_text.center().y() - 19), 3);
}

TEST(ThemedWindowTest, BandButtonsTakeNoFocusAndTheIconLooksTheSameDisabled) {
    ThemedWindow window;
    EXPECT_EQ(window.CloseButton()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window.CloseButton()->Look(), ButtonLook::Toolbar);
    EXPECT_EQ(window.CloseButton()->IconPixelSize(), QSize(16, 16));
    EXPECT_EQ(window.AppIconButton()->IconPixelSize(), QSize(24, 24));
    EXPECT_FALSE(window.AppIconButton()->isEnabled());
    EXPECT_TRUE(window.AppIconButton()->IsTransparentBackground());
    EXPECT_FALSE(window.windowIcon().isNull());
}

struct SurfaceCase {
    const char* name;
    std::function<QWidget*(QWidget* parent)> make;
    bool drag;
};

TEST(ThemedWindowTest, DragSurfaceDecisionByWidgetType) {
    const std::vector<SurfaceCase> cases = {
        {"label", [](QWidget* p) { return new QLabel("Serial No", p); }, true},
        {"group box", [](QWidget* p) { return new QGroupBox("Settings", p); }, true},
        {"plain frame", [](QWidget* p) { return new QFrame(p); }, true},
        {"bare container", [](QWidget* p) { return new QWidget(p); }, true},
        {"selectable label",
         [](QWidget* p) {
             auto* label = new QLabel("text", p);
             label->setTextInteractionFlags(Qt::TextSelectableByMouse);
             return label;
         },
         false},
        {"label with a link", [](QWidget* p) { return new QLabel("<a href=\"https://example.com\">web site</a>", p); },
         false},
        {"checkable group box",
         [](QWidget* p) {
             auto* group = new QGroupBox("RFID", p);
             group->setCheckable(true);
             return group;
         },
         false},
        {"push button", [](QWidget* p) { return new QPushButton("Folder", p); }, false},
        {"icon button", [](QWidget* p) { return new IconButton("Rescan", p); }, false},
        {"check box", [](QWidget* p) { return new QCheckBox("Enable Log", p); }, false},
        {"radio button", [](QWidget* p) { return new QRadioButton("Enable", p); }, false},
        {"line edit", [](QWidget* p) { return new QLineEdit(p); }, false},
        {"spin box", [](QWidget* p) { return new QSpinBox(p); }, false},
        {"combo box", [](QWidget* p) { return new QComboBox(p); }, false},
        {"list", [](QWidget* p) { return new QListWidget(p); }, false},
        {"text edit (a frame underneath)", [](QWidget* p) { return new QTextEdit(p); }, false},
        {"forced by property",
         [](QWidget* p) {
             auto* button = new QPushButton(p);
             button->setProperty("qx7DragSurface", true);
             return button;
         },
         true},
    };
    ThemedWindow window;
    EXPECT_TRUE(IsDragSurface(&window));
    EXPECT_FALSE(IsDragSurface(nullptr));
    EXPECT_FALSE(IsDragSurface(window.CloseButton()));
    for (const SurfaceCase& c : cases) {
        EXPECT_EQ(IsDragSurface(c.make(&window)), c.drag) << c.name;
    }
}

// A window whose children are added after construction, as a derived
// window does, and whose band close is counted.
class CountingWindow : public ThemedWindow {
public:
    int title_closes = 0;
    bool count_only = false;

protected:
    void OnTitleClose() override {
        ++title_closes;
        if (!count_only) {
            ThemedWindow::OnTitleClose();
        }
    }
};

class ThemedWindowInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<CountingWindow>();
        window_->setFixedSize(400, 240);
        window_->PlaceBandControls();
        window_->move(50, 40);
        group_ = new QGroupBox("Settings", window_.get());
        group_->setGeometry(10, 60, 250, 150);
        label_ = new QLabel("Serial No", group_);
        label_->setGeometry(10, 30, 100, 20);
        edit_ = new QLineEdit(group_);
        edit_->setGeometry(120, 30, 100, 24);
        button_ = new QPushButton("Folder", window_.get());
        button_->setGeometry(280, 100, 80, 30);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }

    std::unique_ptr<CountingWindow> window_;
    QGroupBox* group_ = nullptr;
    QLabel* label_ = nullptr;
    QLineEdit* edit_ = nullptr;
    QPushButton* button_ = nullptr;
};

TEST_F(ThemedWindowInputTest, PressAndDragOnAFreeSurfaceMovesTheWindow) {
    QSignalSpy moves(window_.get(), &ThemedWindow::moveStarted);
    const QPoint start = window_->pos();
    QTest::mousePress(label_, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(moves.count(), 1);
    EXPECT_EQ(window_->MoveStartCount(), 1);
    // Offscreen has no system move; the window follows the mouse itself.
    QTest::mouseMove(label_, QPoint(25, 15));
    QTest::mouseRelease(label_, Qt::LeftButton, {}, QPoint(25, 15));
    EXPECT_EQ(window_->pos(), start + QPoint(20, 10));

    // The band, the group box's own surface and the application icon.
    for (const auto& [widget, at] :
         std::vector<std::pair<QWidget*, QPoint>>{{window_.get(), QPoint(200, 8)},
                                                  {group_, QPoint(5, 140)},
                                                  {window_.get(), window_->AppIconButton()->geometry().center()}}) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    }
    EXPECT_EQ(window_->MoveStartCount(), 4);
}

TEST_F(ThemedWindowInputTest, PressOnAControlGoesToTheControl) {
    QSignalSpy clicks(button_, &QPushButton::clicked);
    QTest::mouseClick(edit_, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(button_, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(label_, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(window_->MoveStartCount(), 0);
    EXPECT_EQ(clicks.count(), 1);

    // A control added later, inside a free surface, keeps its presses too;
    // a label added later moves the window.
    auto* late_check = new QCheckBox("Enable Log", group_);
    late_check->setGeometry(10, 80, 120, 24);
    late_check->show();
    auto* late_label = new QLabel("Folder", window_.get());
    late_label->setGeometry(280, 150, 80, 20);
    late_label->show();
    QTest::mouseClick(late_check, Qt::LeftButton, {}, QPoint(5, 12));
    EXPECT_TRUE(late_check->isChecked());
    EXPECT_EQ(window_->MoveStartCount(), 0);
    QTest::mouseClick(late_label, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(window_->MoveStartCount(), 1);
}

TEST_F(ThemedWindowInputTest, HoveredOrPressedCloseCrossStaysReadableOnTheBandInBothPaths) {
    IconButton* close = window_->CloseButton();
    QTest::mouseMove(close, QPoint(3, 3));
    QTest::mouseMove(close, QPoint(4, 4));
    ASSERT_TRUE(close->IsHovered());
    for (DrawingPath path : {DrawingPath::Styled, DrawingPath::Plain}) {
        close->SetDrawingPath(path);
        for (bool pressed : {false, true}) {
            close->setDown(pressed);
            const QImage image = Grab(*close);
            const QPoint centre(close->width() / 2 + (pressed ? 1 : 0), close->height() / 2 + (pressed ? 1 : 0));
            const QColor cross = image.pixelColor(centre);
            const QColor face = image.pixelColor(centre.x() - 8, centre.y());
            EXPECT_GT(cross.lightness() - face.lightness(), 60)
                << "path " << static_cast<int>(path) << " pressed " << pressed;
        }
        close->setDown(false);
    }
}

TEST_F(ThemedWindowInputTest, CloseButtonCallsOnTitleCloseWhichEndsWithCancel) {
    window_->count_only = true;
    QTest::mouseClick(window_->CloseButton(), Qt::LeftButton);
    EXPECT_EQ(window_->title_closes, 1);
    EXPECT_FALSE(window_->IsDone()) << "a derived window decides";
    EXPECT_TRUE(window_->isVisible());

    window_->count_only = false;
    QSignalSpy finished(window_.get(), &ThemedWindow::finished);
    QTest::mouseClick(window_->CloseButton(), Qt::LeftButton);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).value<app::DialogResult>(), app::DialogResult::Cancel);
    EXPECT_TRUE(window_->IsDone());
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(window_->MoveStartCount(), 0);
}

TEST_F(ThemedWindowInputTest, DoneRecordsTheResultAndCloseRequestEndsOnce) {
    QSignalSpy finished(window_.get(), &ThemedWindow::finished);
    window_->Done(app::DialogResult::Ok);
    EXPECT_EQ(window_->Result(), app::DialogResult::Ok);
    EXPECT_FALSE(window_->isVisible());
    ASSERT_EQ(finished.count(), 1);

    CountingWindow other;
    other.show();
    QSignalSpy other_finished(&other, &ThemedWindow::finished);
    other.close();
    EXPECT_EQ(other_finished.count(), 1);
    EXPECT_EQ(other.Result(), app::DialogResult::Cancel);
}

}  // namespace
}  // namespace qx7::ui
