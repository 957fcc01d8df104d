#include "ui/window/dialog_units.h"

#include <QFont>
#include <QFontMetricsF>
#include <QString>

namespace qx7::ui {

namespace {

constexpr int kLettersPerUnitX = 4;
constexpr int kLinesPerUnitY = 8;

qreal AverageLetterWidth(const QFontMetricsF& metrics) {
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return metrics.horizontalAdvance(letters) / letters.size();
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    unit_x_ = AverageLetterWidth(metrics) / kLettersPerUnitX;
    unit_y_ = metrics.height() / kLinesPerUnitY;
}

DialogUnits::DialogUnits(qreal pixels_per_unit_x, qreal pixels_per_unit_y)
    : unit_x_(pixels_per_unit_x), unit_y_(pixels_per_unit_y) {}

QRect DialogUnits::ToPixels(const QRect& units) const {
    const int left = X(units.x());
    const int top = Y(units.y());
    const int right = X(units.x() + units.width());
    const int bottom = Y(units.y() + units.height());
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace qx7::ui
