#pragma once

#include "Platform/StatusItem.h"
#include "Vocabulary/IconLook.h"
#include "Vocabulary/MenuIcon.h"

#include <QColor>
#include <QIcon>

namespace quillmarsh {

// The tray item's icon. Tray icons have no template images, so the mark is painted in the
// desktop's text colour.
class StatusIcon {
public:
    // The colour the mark takes in the tray: the palette's window text.
    static QColor tint();
    // The look's image at 1x and 2x.
    static QIcon icon(IconLook look, const QColor& tint);
    // Shows the icon on the item: its look in the palette's text colour, its tooltip as plain text.
    static void apply(const MenuIcon& icon, StatusItem& item);
};

} // namespace quillmarsh
