#pragma once

#include "Platform/StatusItem.h"

namespace quillmarsh {

// The status item where there is no tray (the offscreen and minimal platforms, a desktop without
// a status area): it keeps icon, tooltip and visibility as state, and its menu opens at the
// top-right corner of the primary screen, where a tray's would on most desktops.
class HeadlessStatusItem : public StatusItem {
    Q_OBJECT

public:
    void setIcon(const QIcon& icon) override { icon_ = icon; }
    QIcon icon() const override { return icon_; }
    void setToolTip(const QString& text) override { toolTip_ = text; }
    QString toolTip() const override { return toolTip_; }
    void setVisible(bool visible) override { visible_ = visible; }
    bool isVisible() const override { return visible_; }
    QPoint menuPosition(const QSize& menuSize) const override;
    bool isHeadless() const override { return true; }

private:
    QIcon icon_;
    QString toolTip_;
    bool visible_ = true;
};

} // namespace quillmarsh
