#include "StatusMenu/StatusIcon.h"

#include "StatusMenu/MarkIcon.h"
#include "StatusMenu/PlainText.h"
#include "StatusMenu/TrayTint.h"

#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>

namespace quillmarsh {

QColor StatusIcon::desktopText() { return QGuiApplication::palette().color(QPalette::WindowText); }

QColor StatusIcon::tint(const StatusItem& item) {
    return TrayTint::mark(item.tray(), item.trayBackground(), desktopText());
}

QIcon StatusIcon::icon(IconLook look, const QColor& tint) {
    QIcon icon;
    for (const qreal scale : {1.0, 2.0}) icon.addPixmap(QPixmap::fromImage(MarkIcon::statusImage(look, tint, scale)));
    return icon;
}

void StatusIcon::apply(const MenuIcon& icon, StatusItem& item) {
    item.setIcon(StatusIcon::icon(icon.look, tint(item)));
    item.setToolTip(PlainText::toolTip(icon.tooltip));
}

} // namespace quillmarsh
