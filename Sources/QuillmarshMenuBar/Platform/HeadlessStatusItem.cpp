#include "Platform/HeadlessStatusItem.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace quillmarsh {

QPoint HeadlessStatusItem::menuPosition(const QSize& menuSize) const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {0, 0};
    const QRect area = screen->availableGeometry();
    return keepOnScreen({area.right() + 1 - menuSize.width(), area.top()}, menuSize, area.topRight());
}

} // namespace quillmarsh
