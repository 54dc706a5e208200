#pragma once

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace quillmarsh {

// The app's item in the desktop's status area (the tray). It shows an icon and a tooltip and
// reports clicks; the owner opens its own menu where menuPosition says. The item never holds the
// menu itself: a tray exported over StatusNotifierItem would hand it to the desktop through
// DBusMenu, which drops row views, alternates and tooltips.
class StatusItem : public QObject {
    Q_OBJECT

public:
    // How the desktop shows the item.
    enum class Tray {
        none,            // it does not: no tray
        statusNotifier,  // a StatusNotifierItem host draws the icon in its panel
        xembed,          // the icon is a small window embedded in the tray
    };

    ~StatusItem() override = default;

    virtual void setIcon(const QIcon& icon) = 0;
    virtual QIcon icon() const = 0;
    virtual void setToolTip(const QString& text) = 0;
    virtual QString toolTip() const = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    // The top-left corner, in global coordinates, of a menu of that size opened from the item.
    virtual QPoint menuPosition(const QSize& menuSize) const = 0;
    // No desktop shows this item: there is no tray, so the user cannot see or click it.
    virtual bool isHeadless() const { return false; }
    virtual Tray tray() const { return Tray::none; }
    // The colour of the tray around the icon, where the item can see it (XEmbed); trayChanged
    // tells when it is first known and when it changes.
    virtual std::optional<QColor> trayBackground() const { return std::nullopt; }

    // A click on the item, as the user's would be.
    void performClick() { emit clicked(); }

    // A tray item where the desktop has a tray, else a headless one.
    static std::unique_ptr<StatusItem> create();

signals:
    void clicked();
    void trayChanged();

protected:
    // Moves a menu of that size, placed at topLeft, wholly onto the screen that holds anchor.
    static QPoint keepOnScreen(QPoint topLeft, const QSize& size, QPoint anchor);
};

} // namespace quillmarsh
