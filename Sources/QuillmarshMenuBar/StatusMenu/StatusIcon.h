#pragma once

#include "Vocabulary/IconLook.h"

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
};

} // namespace quillmarsh
