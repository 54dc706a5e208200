#pragma once

#include "Vocabulary/IconLook.h"

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QPalette>
#include <QRectF>

#include <optional>

class QPainter;

namespace quillmarsh {

// The product mark, drawn from one vector path: the tray image in its five looks, the rounded
// orange app icon at any size, and the mark in any colour inside any rectangle. Pure drawing;
// every image is made anew on each call.
class MarkIcon {
public:
    // The needs-attention dot: #D97706.
    static QColor attention();
    // The running dot and the app icon's tile: #F5540B.
    static QColor orange();
    // The desktop's highlight colour when the app's Info.plist names an accent colour
    // ("NSAccentColorName"), else orange(). The plist is read once per process.
    static QColor accent();
    static QColor accent(bool infoNamesAccent, const QPalette& palette);

    // The mark in its design box: origin (659, 502.67), 75 wide, 74.67 high, y pointing down.
    // Non-zero fill, so overlapping pieces unite.
    static QPainterPath path();
    // Fills the mark aspect-fit and centred in rect.
    static void draw(QPainter& painter, const QRectF& rect, const QColor& color);

    // The 7 x 7 status dot within a button's bounds, for a 22 x 22 image centred in them.
    static QRectF dotFrame(const QRectF& bounds, bool flipped);
    // The dot a look shows: attention() when it needs attention, orange() while running.
    static std::optional<QColor> dotColor(IconLook look);

    // The tray image: 22 x 22 points at the given scale (device pixel ratio), the mark in tint
    // with the look's cut-outs and, where the look has one, its dot painted in.
    static QImage statusImage(IconLook look, const QColor& tint, qreal scale);

    // The app icon, size x size points at the given scale: an orange rounded tile with the
    // mark in white.
    static QImage appIcon(qreal size, qreal scale);
    // The app icon at the sizes a window manager picks from, for the app's windows.
    static QIcon windowIcon();
};

} // namespace quillmarsh
