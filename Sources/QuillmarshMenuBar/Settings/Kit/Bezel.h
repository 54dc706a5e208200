#pragma once

#include <QPainterPath>
#include <QPalette>
#include <QRect>

class QPainter;

namespace quillmarsh {

// The rounded bezel the kit's push buttons and pop-up buttons are drawn on, and the focus ring
// its controls draw around their shape.
struct Bezel {
    // Fills and outlines a bezel over the whole of rect: in the accent when prominent, else in
    // the raised controls' ground (Palette::control); darker while pressed, with a faint drop shadow under it in the
    // light look. Returns its shape.
    static QPainterPath paint(QPainter& painter, const QRect& rect, const QPalette& palette, bool down,
                              bool prominent = false);
    // A 2-px ring of the highlight colour at half strength along shape.
    static void paintFocusRing(QPainter& painter, const QPainterPath& shape, const QPalette& palette);
};

} // namespace quillmarsh
