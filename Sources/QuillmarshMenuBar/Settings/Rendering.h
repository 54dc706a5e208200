#pragma once

#include <QImage>
#include <QtGlobal>

#include <optional>

class QWidget;

namespace quillmarsh {

// Draws a widget with its whole subtree into an image, also a window that was never shown (the
// screenshot mode renders the settings window without showing it).
struct Rendering {
    // Lays the widget's subtree out as showing it would: polishes it, activates every layout and
    // delivers the resize and move events that widgets which were never shown still wait for, and
    // the layout requests those set off in turn, so every child has its geometry.
    static void layOut(QWidget& widget);

    // The widget laid out and drawn into an 8-bit RGBA image (premultiplied) of
    // trunc(width × scale) × trunc(height × scale) pixels whose device pixel ratio is scale, so
    // the image reports the widget's size in points. None when the widget is empty or the image
    // cannot be made.
    static std::optional<QImage> bitmap(QWidget& widget, qreal scale);
};

} // namespace quillmarsh
