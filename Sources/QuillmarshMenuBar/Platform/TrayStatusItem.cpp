#include "Platform/TrayStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace quillmarsh {

TrayStatusItem::TrayStatusItem() {
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Unknown) emit clicked();
    });
}

QPoint TrayStatusItem::menuPosition(const QSize& menuSize) const {
    const QRect icon = tray_.geometry();
    if (!icon.isValid() || icon.isEmpty()) {
        const QPoint pointer = QCursor::pos();
        return keepOnScreen(pointer, menuSize, pointer);
    }
    const QScreen* screen = QGuiApplication::screenAt(icon.center());
    const bool roomBelow = screen == nullptr ||
                           icon.bottom() + 1 + menuSize.height() <= screen->availableGeometry().bottom() + 1;
    const QPoint topLeft(icon.left(), roomBelow ? icon.bottom() + 1 : icon.top() - menuSize.height());
    return keepOnScreen(topLeft, menuSize, icon.center());
}

} // namespace quillmarsh
