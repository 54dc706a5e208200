#pragma once

#include "Platform/StatusItem.h"

#include <QColor>
#include <QImage>

#include <optional>

namespace quillmarsh {

// The colour of the mark in the tray. Tray icons have no template images, so the app picks the
// colour from what it knows of the tray, not from its own palette: on an XEmbed tray the icon is
// a window inside the panel and what lies around it can be seen, so the mark takes white or black,
// whichever stands out more from it. A StatusNotifierItem host draws the icon itself, on a panel
// the app cannot see, and may tint it as a mask (only the shape counts then); there, and wherever
// the panel's colour is not known yet, the mark takes the desktop's text colour, the colour a
// panel that follows the desktop's theme writes in.
struct TrayTint {
    static QColor mark(StatusItem::Tray tray, const std::optional<QColor>& background, const QColor& desktopText);

    // The panel's colour behind an icon, from a picture of the icon's place in it: the mean of the
    // picture's top row and left column, where no look draws (the mark keeps 3 of 22 points clear
    // on every side, the dot and the pause disc sit at the lower right). None for an empty picture.
    static std::optional<QColor> background(const QImage& place);

    // The contrast ratio of two opaque colours, 1 to 21, by their relative luminance.
    static double contrast(const QColor& a, const QColor& b);
    static double luminance(const QColor& color);
};

} // namespace quillmarsh
