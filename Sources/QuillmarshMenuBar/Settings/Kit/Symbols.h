#pragma once

#include <QColor>
#include <QIcon>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace quillmarsh {

// The small pictograms of the settings window, drawn as vector paths so they are sharp at any
// size and device pixel ratio.
enum class Symbol {
    chevronLeft,
    infoCircle,
    arrowUpRight,
    checkmark,
    gearshapeFill,
    laptop,
    internalDriveFill,
    clockFill,
    serverRack,
    cylinderSplitFill,
    info,
    personCircleFill,
    xmark,
    stopCircle,
    // A circle with a hook-shaped arrow curling round to point forward: "skipped".
    skipForwardCircle,
    // A low box on a thin foot: a desktop Mac without a screen of its own.
    desktopMini,
    // A filled disc with a check mark, and one with a cross, cut out of it: ready and not ready.
    checkmarkCircleFill,
    xmarkCircleFill,
};

struct Symbols {
    // The symbol as one filled shape in a 24 x 24 box, y pointing down. Outlined symbols are
    // their strokes turned into shapes, so every symbol is drawn by filling its path.
    static QPainterPath path(Symbol symbol);
    // Fills the symbol aspect-fit and centred in rect.
    static void paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color);
    // The symbol as an icon of size x size pixels, drawn at device pixel ratio 2 and 1.
    static QIcon icon(Symbol symbol, const QColor& color, int size);
};

} // namespace quillmarsh
