#pragma once

#include "Platform/StatusItem.h"

#include <QSystemTrayIcon>
#include <QTimer>

namespace quillmarsh {

// The status item in the desktop's tray (StatusNotifierItem or XEmbed, whichever Qt finds). Any
// click on it, left, right or middle, asks for the menu. In an XEmbed tray it looks at the tray
// around its icon (a picture of the icon's place on the screen) once the icon is embedded, and
// again every 10 s, so the mark can take a colour that stands out from the panel.
class TrayStatusItem final : public StatusItem {
    Q_OBJECT

public:
    TrayStatusItem();

    void setIcon(const QIcon& icon) override { tray_.setIcon(icon); }
    QIcon icon() const override { return tray_.icon(); }
    void setToolTip(const QString& text) override { tray_.setToolTip(text); }
    QString toolTip() const override { return tray_.toolTip(); }
    void setVisible(bool visible) override;
    bool isVisible() const override { return tray_.isVisible(); }
    Tray tray() const override;
    std::optional<QColor> trayBackground() const override { return background_; }
    // Below the icon (above it at the bottom of the screen) when the tray tells where the icon
    // is; at the pointer otherwise (StatusNotifierItem hosts do not tell).
    QPoint menuPosition(const QSize& menuSize) const override;

private:
    void look();

    QSystemTrayIcon tray_;
    QTimer look_;
    int looks_ = 0;
    std::optional<QColor> background_;
};

} // namespace quillmarsh
