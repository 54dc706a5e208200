#include "Platform/WindowActivation.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace quillmarsh {

void WindowActivation::centre(QWidget& window) {
    const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    window.setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), screen->availableGeometry()));
}

void WindowActivation::bringForward(QWidget& window) {
    window.show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) window.raise();
    window.activateWindow();
}

} // namespace quillmarsh
