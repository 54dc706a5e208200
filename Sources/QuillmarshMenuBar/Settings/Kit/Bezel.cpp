#include "Settings/Kit/Bezel.h"

#include "Settings/Kit/Palette.h"

#include <QPainter>

namespace quillmarsh {

QPainterPath Bezel::paint(QPainter& painter, const QRect& rect, const QPalette& palette, bool down, bool prominent) {
    const bool dark = Palette::isDark(palette);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    QColor fill;
    QColor border;
    if (prominent) {
        fill = Palette::accent(palette);
        border = fill.darker(115);
    } else {
        fill = Palette::control(palette);
        border = dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 38);
    }
    if (down) fill = fill.darker(dark ? 80 : 108);
    // A faint drop shadow under the bezel, as raised controls have.
    if (!dark) painter.fillPath(shape.translated(0, 0.5), QColor(0, 0, 0, 14));
    painter.fillPath(shape, fill);
    painter.setPen(QPen(border, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shape);
    return shape;
}

void Bezel::paintFocusRing(QPainter& painter, const QPainterPath& shape, const QPalette& palette) {
    QColor ring = palette.color(QPalette::Highlight);
    ring.setAlphaF(0.5f);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ring, 2));
    painter.drawPath(shape);
}

} // namespace quillmarsh
