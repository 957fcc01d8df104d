#pragma once
// IconButton: the one button class of the desktop program's icon buttons,
// the title band's buttons and the two drop-down menu buttons.
//
// A flat push button with an optional icon and text. It tracks the mouse
// (only one IconButton in the process counts as hovered at a time), shows a
// raised frame while hovered and a sunken one while pressed, shifts image
// and text by (1, 1) while pressed, keeps its icon in full colour when
// disabled and embosses its text instead. It may carry a drop-down QMenu,
// shown below its left edge; the chosen action's command id (the action's
// data() as an int) is posted as menuCommand(id).
//
// Two drawing paths: Styled draws the face through the current QStyle
// (push-button or tool-button panel), Plain draws face and frames with the
// palette. Styled is the default; the process-wide default and each
// button's own choice can be switched, so both paths stay testable.

#include <QAbstractButton>
#include <QIcon>
#include <QMenu>
#include <QPoint>
#include <QPointer>
#include <QSize>

namespace qx7::ui {

enum class ImageAlignment { Left, Top };

// Where the text sits in the part of the button the image leaves free.
enum class TextAlignment {
    Centred,   // centred horizontally
    Indented,  // left-aligned, indented by half the text area's height
    Right,     // right-aligned, 4 pixels before the right edge
};

// Toolbar: the face shows only while hovered or pressed. PushButton: the
// face of a push button in every state (styled path).
enum class ButtonLook { PushButton, Toolbar };

enum class DrawingPath { Styled, Plain };

class IconButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool hovered READ IsHovered NOTIFY hoveredChanged)
    Q_PROPERTY(bool menuShown READ IsMenuShown NOTIFY menuShownChanged)

public:
    explicit IconButton(QWidget* parent = nullptr);
    explicit IconButton(const QString& text, QWidget* parent = nullptr);
    ~IconButton() override;

    // The image, drawn at `pixel_size` × `pixel_size`; 0 takes the icon's
    // own size (its first available size, else 32). A null icon clears it.
    void SetIcon(const QIcon& icon, int pixel_size = 0);
    QSize IconPixelSize() const { return iconSize(); }
    bool HasIcon() const { return !icon().isNull(); }

    void SetImageAlignment(ImageAlignment alignment);
    ImageAlignment GetImageAlignment() const { return image_alignment_; }
    // x: distance of the image from the left edge (plus 4) with the image
    // left; y: distance of the image from the top with the image on top.
    void SetImageMargin(QPoint margin);
    QPoint ImageMargin() const { return image_margin_; }
    void SetTextAlignment(TextAlignment alignment);
    TextAlignment GetTextAlignment() const { return text_alignment_; }

    // Flat (the default): no frame at rest, hover tracking. Not flat: a 3-D
    // frame in every state, in the plain path.
    void SetFlat(bool flat);
    bool IsFlat() const { return flat_; }
    // A flat button shows its raised / sunken frame only with the border
    // flag (default on).
    void SetBorder(bool border);
    bool HasBorder() const { return border_; }
    // The parent's pixels show through: no face is drawn.
    void SetTransparentBackground(bool transparent);
    bool IsTransparentBackground() const { return transparent_; }
    void SetLook(ButtonLook look);
    ButtonLook Look() const { return look_; }
    // The window's default button (drawn as such; Enter handling is the
    // window's).
    void SetDefault(bool is_default);
    bool IsDefault() const { return default_; }

    // Drawing path of this button; unless set, the process-wide default.
    void SetDrawingPath(DrawingPath path);
    void ClearDrawingPath();
    DrawingPath EffectiveDrawingPath() const;
    static void SetDefaultDrawingPath(DrawingPath path);
    static DrawingPath DefaultDrawingPath();

    // Drop-down menu shown when the button is clicked. The button takes
    // ownership; a previous menu is deleted. nullptr removes the menu.
    void SetMenu(QMenu* menu);
    QMenu* Menu() const { return menu_; }
    bool IsMenuShown() const { return menu_shown_; }

    bool IsHovered() const { return hovered_; }
    // Pressed as drawn: held down, or its menu is open.
    bool IsDrawnPressed() const;
    // The button the mouse is over, if any (at most one in the process).
    static IconButton* HoveredButton();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The command id of the action chosen from the drop-down menu; posted,
    // so it arrives after the menu has closed. Nothing when dismissed.
    void menuCommand(int id);
    void hoveredChanged(bool hovered);
    void menuShownChanged(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetHovered(bool hovered);
    void ShowMenu();
    void OnMenuTriggered(QAction* action);
    void OnMenuHidden();

    struct Layout {
        QRect image;
        QRect text;
    };
    Layout ComputeLayout(bool pressed) const;
    void DrawStyledFace(QPainter& painter, bool pressed) const;
    void DrawPlainFace(QPainter& painter, bool pressed) const;
    void DrawPlainFrame(QPainter& painter, bool pressed) const;
    void DrawText(QPainter& painter, const QRect& text_rect, bool on_face) const;
    bool FaceUnderText(bool pressed) const;

    ImageAlignment image_alignment_ = ImageAlignment::Left;
    QPoint image_margin_{3, 3};
    TextAlignment text_alignment_ = TextAlignment::Centred;
    ButtonLook look_ = ButtonLook::PushButton;
    bool flat_ = true;
    bool border_ = true;
    bool transparent_ = false;
    bool default_ = false;
    bool hovered_ = false;
    bool menu_shown_ = false;
    bool has_own_path_ = false;
    DrawingPath own_path_ = DrawingPath::Styled;
    QPointer<QMenu> menu_;
};

}  // namespace qx7::ui
