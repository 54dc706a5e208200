#include "Platform/TrayStatusItem.h"

#include "StatusMenu/TrayTint.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace quillmarsh {

namespace {

// Until the tray has embedded the icon, its place is looked at twice a second, for at most 30 s;
// after that every 10 s, to follow a change of the panel's theme.
constexpr int firstLooks = 60;
constexpr int firstInterval = 500;
constexpr int laterInterval = 10'000;

} // namespace

TrayStatusItem::TrayStatusItem() {
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Unknown) emit clicked();
    });
    connect(&look_, &QTimer::timeout, this, &TrayStatusItem::look);
}

void TrayStatusItem::setVisible(bool visible) {
    tray_.setVisible(visible);
    if (!visible) {
        look_.stop();
        return;
    }
    looks_ = 0;
    look_.start(firstInterval);
}

// Qt embeds an XEmbed tray icon as a window of its own class; over StatusNotifierItem there is none.
StatusItem::Tray TrayStatusItem::tray() const {
    if (!tray_.isVisible()) return Tray::none;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->inherits("QSystemTrayIconSys")) return Tray::xembed;
    }
    return Tray::statusNotifier;
}

void TrayStatusItem::look() {
    ++looks_;
    if (looks_ == firstLooks) look_.start(laterInterval);
    if (tray() != Tray::xembed) return;
    const QRect place = tray_.geometry();
    QScreen* screen = place.isValid() ? QGuiApplication::screenAt(place.center()) : nullptr;
    if (screen == nullptr) return;
    const QRect onScreen = place.translated(-screen->geometry().topLeft());
    const auto background =
        TrayTint::background(screen->grabWindow(0, onScreen.x(), onScreen.y(), onScreen.width(), onScreen.height()).toImage());
    if (!background) return;
    if (looks_ < firstLooks) {
        looks_ = firstLooks;
        look_.start(laterInterval);
    }
    if (background == background_) return;
    background_ = background;
    emit trayChanged();
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
