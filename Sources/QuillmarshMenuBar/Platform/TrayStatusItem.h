#pragma once

#include "Platform/StatusItem.h"

#include <QSystemTrayIcon>

namespace quillmarsh {

// The status item in the desktop's tray (StatusNotifierItem or XEmbed, whichever Qt finds). Any
// click on it, left, right or middle, asks for the menu.
class TrayStatusItem final : public StatusItem {
    Q_OBJECT

public:
    TrayStatusItem();

    void setIcon(const QIcon& icon) override { tray_.setIcon(icon); }
    QIcon icon() const override { return tray_.icon(); }
    void setToolTip(const QString& text) override { tray_.setToolTip(text); }
    QString toolTip() const override { return tray_.toolTip(); }
    void setVisible(bool visible) override { tray_.setVisible(visible); }
    bool isVisible() const override { return tray_.isVisible(); }
    // Below the icon (above it at the bottom of the screen) when the tray tells where the icon
    // is; at the pointer otherwise (StatusNotifierItem hosts do not tell).
    QPoint menuPosition(const QSize& menuSize) const override;

private:
    QSystemTrayIcon tray_;
};

} // namespace quillmarsh
