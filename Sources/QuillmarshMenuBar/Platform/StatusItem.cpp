#include "Platform/StatusItem.h"

#include "Platform/HeadlessStatusItem.h"
#include "Platform/TrayStatusItem.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSystemTrayIcon>

#include <algorithm>

namespace quillmarsh {

std::unique_ptr<StatusItem> StatusItem::create() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal") ||
        !QSystemTrayIcon::isSystemTrayAvailable())
        return std::make_unique<HeadlessStatusItem>();
    return std::make_unique<TrayStatusItem>();
}

QPoint StatusItem::keepOnScreen(QPoint topLeft, const QSize& size, QPoint anchor) {
    const QScreen* screen = QGuiApplication::screenAt(anchor);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return topLeft;
    const QRect area = screen->availableGeometry();
    topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    return topLeft;
}

} // namespace quillmarsh
