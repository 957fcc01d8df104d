#include "ui/widgets/themed_window.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "ui/widgets/icon_button.h"
#include "ui/widgets/icons.h"

namespace qx7::ui {

namespace {

constexpr int kAppIconId = 208;
constexpr int kAppIconSize = 24;
constexpr int kCloseIconId = 188;
constexpr int kCloseIconSize = 16;
constexpr int kBandButtonSize = 28;
constexpr int kBandInset = 7;

// Widgets may override the decision by type with this property.
constexpr const char* kDragSurfaceProperty = "qx7DragSurface";

}  // namespace

class WindowDragFilter : public QObject {
public:
    explicit WindowDragFilter(ThemedWindow* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) {
            return false;
        }
        auto* receiver = qobject_cast<QWidget*>(watched);
        if (receiver == nullptr || receiver->window() != window_) {
            return false;
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (type == QEvent::MouseButtonPress) {
            return window_->HandlePress(receiver, mouse);
        }
        if (type == QEvent::MouseMove) {
            return window_->HandleMove(mouse);
        }
        return window_->HandleRelease(mouse);
    }

private:
    ThemedWindow* window_;
};

bool IsDragSurface(const QWidget* widget) {
    if (widget == nullptr) {
        return false;
    }
    const QVariant forced = widget->property(kDragSurfaceProperty);
    if (forced.isValid()) {
        return forced.toBool();
    }
    // Controls first: several of them are frames underneath.
    if (qobject_cast<const QAbstractButton*>(widget) != nullptr ||
        qobject_cast<const QAbstractScrollArea*>(widget) != nullptr ||
        qobject_cast<const QLineEdit*>(widget) != nullptr || qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
        qobject_cast<const QComboBox*>(widget) != nullptr || qobject_cast<const QAbstractSlider*>(widget) != nullptr) {
        return false;
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        // A label whose text can be selected, or which shows links the
        // mouse can follow, takes the mouse itself.
        const Qt::TextInteractionFlags flags = label->textInteractionFlags();
        if (flags & Qt::TextSelectableByMouse) {
            return false;
        }
        const bool shows_links =
            label->textFormat() != Qt::PlainText && label->text().contains(QLatin1String("<a "), Qt::CaseInsensitive);
        return !(shows_links && (flags & Qt::LinksAccessibleByMouse));
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        return !group->isCheckable();
    }
    if (qobject_cast<const QFrame*>(widget) != nullptr) {
        return true;
    }
    // The window itself and bare container widgets are free surface.
    return widget->isWindow() || widget->metaObject() == &QWidget::staticMetaObject;
}

ThemedWindow::ThemedWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);

    setWindowIcon(LoadIcon(kAppIconId));

    title_ = new QLabel(this);
    title_->setAlignment(Qt::AlignCenter);
    QFont title_font = title_->font();
    title_font.setPixelSize(kTitlePixelSize);
    title_font.setWeight(QFont::Medium);
    title_->setFont(title_font);
    QPalette title_colours = title_->palette();
    title_colours.setColor(QPalette::WindowText, Qt::white);
    title_->setPalette(title_colours);

    app_icon_ = new IconButton(this);
    app_icon_->SetIcon(LoadIcon(kAppIconId), kAppIconSize);
    app_icon_->SetTransparentBackground(true);
    app_icon_->SetBorder(false);
    app_icon_->setEnabled(false);
    app_icon_->setFocusPolicy(Qt::NoFocus);
    // Presses on the icon fall through to the band and move the window.
    app_icon_->setAttribute(Qt::WA_TransparentForMouseEvents);

    close_button_ = new IconButton(this);
    close_button_->SetIcon(LoadIcon(kCloseIconId), kCloseIconSize);
    close_button_->SetLook(ButtonLook::Toolbar);
    close_button_->setFocusPolicy(Qt::NoFocus);
    connect(close_button_, &QAbstractButton::clicked, this, [this] { OnTitleClose(); });

    ApplyBandPalette();
    PlaceBandControls();
    drag_filter_ = new WindowDragFilter(this);
    qApp->installEventFilter(drag_filter_);
}

ThemedWindow::~ThemedWindow() { qApp->removeEventFilter(drag_filter_); }

void ThemedWindow::SetCaptionColor(const QColor& color) {
    caption_color_ = color;
    ApplyBandPalette();
    update();
}

void ThemedWindow::ApplyBandPalette() {
    // The band's buttons sit on the caption colour: their hover and press
    // faces and frames are shades of it, so that the white glyphs stay
    // readable in both drawing paths.
    QPalette colours = close_button_->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        colours.setColor(group, QPalette::Window, caption_color_);
        colours.setColor(group, QPalette::Button, caption_color_.lighter(110));
        colours.setColor(group, QPalette::Light, caption_color_.lighter(170));
        colours.setColor(group, QPalette::Midlight, caption_color_.lighter(140));
        colours.setColor(group, QPalette::Dark, caption_color_.darker(170));
        colours.setColor(group, QPalette::Shadow, caption_color_.darker(250));
        colours.setColor(group, QPalette::ButtonText, Qt::white);
        colours.setColor(group, QPalette::WindowText, Qt::white);
    }
    close_button_->setPalette(colours);
    app_icon_->setPalette(colours);
}

void ThemedWindow::SetTitle(const QString& title) {
    title_->setText(title);
    setWindowTitle(title);
}

void ThemedWindow::PlaceBandControls() {
    const int icon_top = (kBandHeight - kAppIconSize) / 2;
    app_icon_->setGeometry(kBandInset, icon_top, kAppIconSize, kAppIconSize);
    const int button_top = (kBandHeight - kBandButtonSize) / 2;
    close_button_->setGeometry(width() - kBandInset - kBandButtonSize, button_top, kBandButtonSize, kBandButtonSize);
    const int side = kBandInset + kBandButtonSize + kBandInset;
    title_->setGeometry(side, 0, std::max(0, width() - 2 * side), kBandHeight);
}

void ThemedWindow::Done(app::DialogResult result) {
    done_ = true;
    result_ = result;
    manual_move_ = false;
    hide();
    emit finished(result);
}

void ThemedWindow::OnTitleClose() { Done(app::DialogResult::Cancel); }

void ThemedWindow::closeEvent(QCloseEvent* event) {
    if (!done_) {
        done_ = true;
        result_ = app::DialogResult::Cancel;
        emit finished(result_);
    }
    event->accept();
}

void ThemedWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(QRect(0, 0, width(), kBandHeight), caption_color_);
}

bool ThemedWindow::HandlePress(QWidget* receiver, QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return false;
    }
    // Decide by the widget actually under the mouse, not by the receiver:
    // a press a control leaves unhandled travels up to its parents.
    const QPoint local = receiver->mapTo(this, event->position().toPoint());
    QWidget* hit = childAt(local);
    if (!IsDragSurface(hit != nullptr ? hit : this)) {
        return false;
    }
    ++move_start_count_;
    emit moveStarted();
    QWindow* handle = windowHandle();
    if (handle != nullptr && handle->startSystemMove()) {
        return true;
    }
    // No system move on this platform: follow the mouse ourselves.
    manual_move_ = true;
    manual_move_offset_ = event->globalPosition().toPoint() - pos();
    return true;
}

bool ThemedWindow::HandleMove(QMouseEvent* event) {
    if (!manual_move_) {
        return false;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        manual_move_ = false;
        return false;
    }
    move(event->globalPosition().toPoint() - manual_move_offset_);
    return true;
}

bool ThemedWindow::HandleRelease(QMouseEvent* event) {
    if (manual_move_ && event->button() == Qt::LeftButton) {
        manual_move_ = false;
        return true;
    }
    return false;
}

}  // namespace qx7::ui
