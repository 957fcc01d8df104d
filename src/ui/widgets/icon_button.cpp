#include "ui/widgets/icon_button.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionToolButton>

#include <algorithm>

namespace qx7::ui {

namespace {

QPointer<IconButton> g_hovered_button;
DrawingPath g_default_path = DrawingPath::Styled;

constexpr QPoint kPressedShift{1, 1};
// Gap between the text and the right edge with right-aligned text.
constexpr int kRightTextGap = 4;
// Extra distance of a left image from the left edge, beyond the margin.
constexpr int kLeftImageGap = 4;
constexpr int kFocusInset = 3;

// Two-colour rectangle outline: top and left in `top_left`, bottom and right
// in `bottom_right` (which owns the top-right and bottom-left corners).
void DrawShadeFrame(QPainter& painter, const QRect& rect, const QColor& top_left, const QColor& bottom_right) {
    const int w = rect.width();
    const int h = rect.height();
    if (w <= 0 || h <= 0) {
        return;
    }
    painter.fillRect(QRect(rect.left(), rect.top(), w - 1, 1), top_left);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, h - 1), top_left);
    painter.fillRect(QRect(rect.left() + w - 1, rect.top(), 1, h), bottom_right);
    painter.fillRect(QRect(rect.left(), rect.top() + h - 1, w, 1), bottom_right);
}

}  // namespace

IconButton::IconButton(QWidget* parent) : IconButton(QString(), parent) {}

IconButton::IconButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
    connect(this, &QAbstractButton::clicked, this, &IconButton::ShowMenu);
}

IconButton::~IconButton() {
    if (g_hovered_button == this) {
        g_hovered_button = nullptr;
    }
}

void IconButton::SetIcon(const QIcon& icon, int pixel_size) {
    QSize size(pixel_size, pixel_size);
    if (pixel_size <= 0) {
        const QList<QSize> sizes = icon.availableSizes();
        size = sizes.isEmpty() ? QSize(32, 32) : sizes.front();
    }
    setIcon(icon);
    setIconSize(size);
    update();
}

void IconButton::SetImageAlignment(ImageAlignment alignment) {
    image_alignment_ = alignment;
    updateGeometry();
    update();
}

void IconButton::SetImageMargin(QPoint margin) {
    image_margin_ = margin;
    updateGeometry();
    update();
}

void IconButton::SetTextAlignment(TextAlignment alignment) {
    text_alignment_ = alignment;
    update();
}

void IconButton::SetFlat(bool flat) {
    flat_ = flat;
    if (!flat_) {
        SetHovered(false);
    }
    update();
}

void IconButton::SetBorder(bool border) {
    border_ = border;
    update();
}

void IconButton::SetTransparentBackground(bool transparent) {
    transparent_ = transparent;
    update();
}

void IconButton::SetLook(ButtonLook look) {
    look_ = look;
    update();
}

void IconButton::SetDefault(bool is_default) {
    default_ = is_default;
    update();
}

void IconButton::SetDrawingPath(DrawingPath path) {
    has_own_path_ = true;
    own_path_ = path;
    update();
}

void IconButton::ClearDrawingPath() {
    has_own_path_ = false;
    update();
}

DrawingPath IconButton::EffectiveDrawingPath() const { return has_own_path_ ? own_path_ : g_default_path; }

void IconButton::SetDefaultDrawingPath(DrawingPath path) { g_default_path = path; }

DrawingPath IconButton::DefaultDrawingPath() { return g_default_path; }

void IconButton::SetMenu(QMenu* menu) {
    if (menu_ == menu) {
        return;
    }
    if (menu_) {
        menu_->disconnect(this);
        delete menu_.data();
    }
    menu_ = menu;
    if (menu_shown_) {
        menu_shown_ = false;
        emit menuShownChanged(false);
    }
    if (menu_) {
        menu_->setParent(this, menu_->windowFlags());
        connect(menu_, &QMenu::triggered, this, &IconButton::OnMenuTriggered);
        connect(menu_, &QMenu::aboutToHide, this, &IconButton::OnMenuHidden);
    }
    update();
}

bool IconButton::IsDrawnPressed() const { return isDown() || (menu_ && menu_shown_); }

IconButton* IconButton::HoveredButton() { return g_hovered_button; }

void IconButton::SetHovered(bool hovered) {
    if (hovered) {
        if (g_hovered_button && g_hovered_button != this) {
            g_hovered_button->SetHovered(false);
        }
        g_hovered_button = this;
    } else if (g_hovered_button == this) {
        g_hovered_button = nullptr;
    }
    if (hovered_ == hovered) {
        return;
    }
    hovered_ = hovered;
    update();
    emit hoveredChanged(hovered_);
}

void IconButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    // Entering with the left button held (a press that began elsewhere)
    // does not hover.
    const bool left_held = QApplication::mouseButtons() & Qt::LeftButton;
    if (flat_ && isEnabled() && (!left_held || hovered_)) {
        SetHovered(true);
    }
}

void IconButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    SetHovered(false);
}

void IconButton::mousePressEvent(QMouseEvent* event) {
    // A press that arrives while this button's menu is still open or just
    // closing is the press that closed the menu; it must not reopen it.
    if (menu_shown_) {
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void IconButton::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    if (!flat_ || !isEnabled()) {
        return;
    }
    const bool inside = rect().contains(event->position().toPoint());
    const bool left_held = event->buttons() & Qt::LeftButton;
    if (inside && (!left_held || hovered_ || isDown())) {
        SetHovered(true);
    } else if (!inside) {
        SetHovered(false);
    }
}

void IconButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a fast double click is a press like the first, so
    // a double click gives two clicks.
    mousePressEvent(event);
}

void IconButton::focusOutEvent(QFocusEvent* event) {
    QAbstractButton::focusOutEvent(event);
    SetHovered(false);
}

void IconButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    switch (event->type()) {
        case QEvent::EnabledChange:
            if (!isEnabled()) {
                SetHovered(false);
            }
            break;
        case QEvent::ActivationChange:
            if (!isActiveWindow()) {
                SetHovered(false);
            }
            break;
        default: break;
    }
}

void IconButton::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    SetHovered(false);
}

void IconButton::ShowMenu() {
    if (!menu_ || menu_shown_) {
        return;
    }
    menu_shown_ = true;
    emit menuShownChanged(true);
    repaint();
    menu_->popup(mapToGlobal(QPoint(0, height())));
}

void IconButton::OnMenuTriggered(QAction* action) {
    if (!menu_shown_ || action == nullptr) {
        return;
    }
    bool is_number = false;
    const int id = action->data().toInt(&is_number);
    if (!is_number) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, id] { emit menuCommand(id); }, Qt::QueuedConnection);
}

void IconButton::OnMenuHidden() {
    // Cleared only after the events of the closing click are handled, so a
    // chosen action (reported after the menu hides) still counts, and the
    // click that closed the menu does not open it again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!menu_shown_ || (menu_ && menu_->isVisible())) {
                return;
            }
            menu_shown_ = false;
            emit menuShownChanged(false);
            update();
        },
        Qt::QueuedConnection);
}

QSize IconButton::sizeHint() const {
    const QSize image = HasIcon() ? iconSize() : QSize();
    const QSize words = text().isEmpty() ? QSize() : fontMetrics().size(Qt::TextShowMnemonic, text());
    int width = 0;
    int height = 0;
    if (image_alignment_ == ImageAlignment::Left) {
        width = image_margin_.x() + kLeftImageGap + image.width() + words.width() + 2 * kLeftImageGap;
        height = std::max(image.height(), words.height()) + 2 * image_margin_.y();
    } else {
        width = std::max(image.width(), words.width()) + 2 * image_margin_.x() + 2 * kLeftImageGap;
        height = image_margin_.y() + image.height() + words.height() + 2 * image_margin_.y();
    }
    return QSize(width, height);
}

QSize IconButton::minimumSizeHint() const { return sizeHint(); }

IconButton::Layout IconButton::ComputeLayout(bool pressed) const {
    Layout layout{rect(), rect()};
    const QRect bounds = rect();
    const bool has_text = !text().isEmpty();
    if (HasIcon()) {
        const QSize image = iconSize();
        int x = bounds.left() + (bounds.width() - image.width()) / 2;
        int y = bounds.top() + (bounds.height() - image.height()) / 2;
        if (image_alignment_ == ImageAlignment::Left) {
            if (has_text) {
                x = bounds.left() + image_margin_.x() + kLeftImageGap;
                layout.text.setLeft(bounds.left() + image_margin_.x() + image.width());
            }
        } else if (has_text) {
            y = bounds.top() + image_margin_.y();
            layout.text.setTop(y + image.height());
        }
        layout.image = QRect(QPoint(x, y), image);
    }
    if (pressed) {
        layout.image.translate(kPressedShift);
        layout.text.translate(kPressedShift);
    }
    return layout;
}

bool IconButton::FaceUnderText(bool pressed) const {
    if (transparent_) {
        return false;
    }
    if (EffectiveDrawingPath() == DrawingPath::Plain || look_ == ButtonLook::PushButton) {
        return true;
    }
    return hovered_ || pressed;
}

void IconButton::DrawStyledFace(QPainter& painter, bool pressed) const {
    if (transparent_) {
        return;
    }
    QStyle::State state = QStyle::State_None;
    if (isEnabled()) {
        state |= QStyle::State_Enabled;
        if (hovered_) {
            state |= QStyle::State_MouseOver;
        }
    }
    if (hasFocus()) {
        state |= QStyle::State_HasFocus;
    }
    state |= pressed ? QStyle::State_Sunken : QStyle::State_Raised;

    if (look_ == ButtonLook::PushButton) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.state = state;
        option.rect = rect();
        if (default_) {
            option.features |= QStyleOptionButton::DefaultButton;
        }
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
        return;
    }

    // Toolbar look: like an auto-raise tool button, the panel shows only
    // while hovered or pressed; a default button with the border flag gets
    // the checked look.
    const bool checked_look = default_ && border_;
    const bool hover_face = hovered_ && isEnabled();
    if (!hover_face && !pressed && !checked_look) {
        return;
    }
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.rect = rect();
    option.state = state | QStyle::State_AutoRaise;
    if (!hover_face && !pressed) {
        option.state &= ~QStyle::State_Raised;
    }
    if (checked_look) {
        option.state |= QStyle::State_On;
    }
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
}

void IconButton::DrawPlainFace(QPainter& painter, bool pressed) const {
    if (transparent_) {
        return;
    }
    QRect face = rect();
    if (!flat_ && (hasFocus() || default_) && !pressed) {
        DrawShadeFrame(painter, face, Qt::black, Qt::black);
        face.adjust(1, 1, -1, -1);
    }
    painter.fillRect(face, palette().color(QPalette::Active, QPalette::Button));
}

void IconButton::DrawPlainFrame(QPainter& painter, bool pressed) const {
    const QPalette& colours = palette();
    const QColor light = colours.color(QPalette::Active, QPalette::Light);
    const QColor midlight = colours.color(QPalette::Active, QPalette::Midlight);
    const QColor dark = colours.color(QPalette::Active, QPalette::Dark);
    const QColor shadow = colours.color(QPalette::Active, QPalette::Shadow);
    QRect frame = rect();
    if (!flat_ && (hasFocus() || default_) && !pressed && !transparent_) {
        frame.adjust(1, 1, -1, -1);  // inside the black default frame
    }
    if (pressed) {
        if (flat_) {
            if (border_) {
                DrawShadeFrame(painter, frame, dark, light);
            }
        } else {
            DrawShadeFrame(painter, frame, dark, dark);
        }
        return;
    }
    if (flat_) {
        if (hovered_ && border_ && isEnabled()) {
            DrawShadeFrame(painter, frame, light, dark);
        }
        return;
    }
    DrawShadeFrame(painter, frame, light, shadow);
    DrawShadeFrame(painter, frame.adjusted(1, 1, -1, -1), midlight, dark);
}

void IconButton::DrawText(QPainter& painter, const QRect& text_rect, bool on_face) const {
    Qt::Alignment line_alignment = Qt::AlignHCenter;
    if (text_alignment_ == TextAlignment::Indented) {
        line_alignment = Qt::AlignLeft;
    } else if (text_alignment_ == TextAlignment::Right) {
        line_alignment = Qt::AlignRight;
    }
    const int flags = Qt::TextWordWrap | static_cast<int>(line_alignment) | Qt::AlignTop;
    const QRect measured =
        fontMetrics().boundingRect(text_rect, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text());
    const QSize words = measured.size();
    int x = text_rect.left() + (text_rect.width() - words.width()) / 2;
    if (text_alignment_ == TextAlignment::Indented) {
        x = text_rect.left() + text_rect.height() / 2;
    } else if (text_alignment_ == TextAlignment::Right) {
        x = text_rect.left() + text_rect.width() - kRightTextGap - words.width();
    }
    const int y = text_rect.top() + (text_rect.height() - words.height()) / 2;
    const QRect place(QPoint(x, y), words);

    painter.setFont(font());
    const QPalette& colours = palette();
    if (!isEnabled()) {
        // Embossed: a highlight copy one pixel down and right, then the text
        // in the shadow colour in place.
        painter.setPen(colours.color(QPalette::Active, QPalette::Light));
        painter.drawText(place.translated(1, 1), flags, text());
        painter.setPen(colours.color(QPalette::Active, QPalette::Dark));
        painter.drawText(place, flags, text());
        return;
    }
    painter.setPen(colours.color(QPalette::Active, on_face ? QPalette::ButtonText : QPalette::WindowText));
    painter.drawText(place, flags, text());
}

void IconButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const bool pressed = IsDrawnPressed();
    if (EffectiveDrawingPath() == DrawingPath::Styled) {
        DrawStyledFace(painter, pressed);
    } else {
        DrawPlainFace(painter, pressed);
        DrawPlainFrame(painter, pressed);
    }

    const Layout layout = ComputeLayout(pressed);
    if (HasIcon()) {
        // The image keeps its colours in every state, disabled included.
        icon().paint(&painter, layout.image, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    }
    if (!text().isEmpty()) {
        DrawText(painter, layout.text, FaceUnderText(pressed));
    }
    if (!flat_ && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

}  // namespace qx7::ui
