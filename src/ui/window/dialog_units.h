#pragma once
// Dialog units: the window's geometry is written in units of the window
// font, so that it follows the font and the screen scaling. A horizontal
// unit is a quarter of the font's average letter width (the 52 Latin
// letters), a vertical unit an eighth of the font's height.

#include <QPoint>
#include <QRect>
#include <QtGlobal>

class QFont;

namespace qx7::ui {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // Units given directly, in pixels per dialog unit.
    DialogUnits(qreal pixels_per_unit_x, qreal pixels_per_unit_y);

    qreal UnitX() const { return unit_x_; }
    qreal UnitY() const { return unit_y_; }

    int X(int units) const { return qRound(units * unit_x_); }
    int Y(int units) const { return qRound(units * unit_y_); }
    QPoint ToPixels(QPoint units) const { return {X(units.x()), Y(units.y())}; }
    // The rectangle's edges are converted, not its size, so that controls
    // that touch or align in units also touch or align in pixels.
    QRect ToPixels(const QRect& units) const;

private:
    qreal unit_x_;
    qreal unit_y_;
};

}  // namespace qx7::ui
