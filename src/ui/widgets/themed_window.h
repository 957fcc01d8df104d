#pragma once
// ThemedWindow: the frameless base of the desktop program's main window.
//
// A white client with a coloured band across the top that serves as the
// title bar: a centred title in white, the application icon at the band's
// left and a close button. The window has no frame and cannot be resized
// with the mouse (derived windows fix their size with setFixedSize). A
// left-button press on any free surface of the window (the window itself,
// labels, group boxes, plain frames) moves the window; presses on controls
// (buttons, edits, spin and combo boxes, lists, check and radio boxes) go to
// the control. The decision is made per press from the widget under the
// mouse, so it also holds for children the derived window adds later.
//
// The window ends with Done(result): it hides and emits finished(result).
// The program connects finished to whatever ends the run.

#include <QColor>
#include <QPoint>
#include <QWidget>

#include "app/host.h"

class QLabel;
class QMouseEvent;

namespace qx7::ui {

class IconButton;

// True when a left-button press on `widget` moves its window: the window
// itself, labels without mouse text interaction, non-checkable group boxes
// and plain frames (not scroll areas, lists or edits built on frames).
bool IsDragSurface(const QWidget* widget);

class ThemedWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBandHeight = 38;
    static constexpr int kTitlePixelSize = 16;
    static QColor DefaultCaptionColor() { return QColor(153, 102, 102); }

    explicit ThemedWindow(QWidget* parent = nullptr);
    ~ThemedWindow() override;

    void SetCaptionColor(const QColor& color);
    QColor CaptionColor() const { return caption_color_; }

    // Sets the title label's text and the window title.
    void SetTitle(const QString& title);
    // The derived window sets the geometry of these three. Further buttons
    // on the band may take the close button's palette (shades of the
    // caption colour).
    QLabel* TitleLabel() const { return title_; }
    IconButton* CloseButton() const { return close_button_; }
    IconButton* AppIconButton() const { return app_icon_; }
    // Default band layout for the current width: icon left, close button
    // right, title centred across the band between them.
    void PlaceBandControls();

    // Ends the window: records `result`, hides, emits finished(result).
    void Done(app::DialogResult result);
    // The result of Done, or nothing while the window has not ended.
    bool IsDone() const { return done_; }
    app::DialogResult Result() const { return result_; }

    // Window moves started by presses on free surfaces (system moves and,
    // where the platform has none, moves the window follows itself).
    int MoveStartCount() const { return move_start_count_; }

signals:
    void finished(qx7::app::DialogResult result);
    void moveStarted();

protected:
    // The band's close button; by default ends the window with Cancel.
    virtual void OnTitleClose();

    void paintEvent(QPaintEvent* event) override;
    // A close request from the window manager: Done(Cancel) unless a
    // derived window decides otherwise.
    void closeEvent(QCloseEvent* event) override;

private:
    // Watches the mouse presses of the whole application (so that it also
    // covers children added later and is independent of the event filters
    // of derived windows) and hands those in this window to it.
    friend class WindowDragFilter;
    bool HandlePress(QWidget* receiver, QMouseEvent* event);
    bool HandleMove(QMouseEvent* event);
    bool HandleRelease(QMouseEvent* event);
    void ApplyBandPalette();

    QColor caption_color_ = DefaultCaptionColor();
    QLabel* title_ = nullptr;
    IconButton* close_button_ = nullptr;
    IconButton* app_icon_ = nullptr;
    bool done_ = false;
    app::DialogResult result_ = app::DialogResult::Cancel;
    int move_start_count_ = 0;
    // A move this window follows itself (no system move available).
    bool manual_move_ = false;
    QPoint manual_move_offset_;
    QObject* drag_filter_ = nullptr;
};

}  // namespace qx7::ui
