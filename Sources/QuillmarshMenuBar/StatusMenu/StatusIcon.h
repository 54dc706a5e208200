#pragma once

#include "Platform/StatusItem.h"
#include "Vocabulary/IconLook.h"
#include "Vocabulary/MenuIcon.h"

#include <QColor>
#include <QIcon>

namespace quillmarsh {

// The tray item's icon. Tray icons have no template images, so the mark is painted in a colour
// that follows the tray (TrayTint): one that stands out from an XEmbed tray's background, else
// the desktop's text colour.
class StatusIcon {
public:
    // The desktop's text colour: the palette's window text.
    static QColor desktopText();
    // The colour the mark takes on that item's tray.
    static QColor tint(const StatusItem& item);
    // The look's image at 1x and 2x.
    static QIcon icon(IconLook look, const QColor& tint);
    // Shows the icon on the item: its look in the tray's colour, its tooltip as plain text.
    static void apply(const MenuIcon& icon, StatusItem& item);
};

} // namespace quillmarsh
