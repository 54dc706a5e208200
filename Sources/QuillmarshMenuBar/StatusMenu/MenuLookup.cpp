#include "StatusMenu/MenuLookup.h"

namespace quillmarsh {

QAction* MenuLookup::item(const QMenu& menu, QStringView identifier) {
    for (QAction* action : menu.actions()) {
        if (action->objectName() == identifier) return action;
    }
    return nullptr;
}

} // namespace quillmarsh
