#pragma once

#include <QAction>
#include <QMenu>
#include <QStringView>

namespace quillmarsh {

// Finds a menu's rows by identifier (the action's objectName).
struct MenuLookup {
    // The first of the menu's own actions, in order, whose identifier equals the text; actions
    // that lie only in a submenu are not searched.
    static QAction* item(const QMenu& menu, QStringView identifier);
};

} // namespace quillmarsh
