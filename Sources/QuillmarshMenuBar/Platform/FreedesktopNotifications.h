#pragma once

#include "Notifications/NotificationCenter.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <cstddef>
#include <deque>
#include <string>
#include <utility>

namespace quillmarsh {

// The desktop's notification service (org.freedesktop.Notifications on the session bus) as the
// app's notification center. Every call is asynchronous, so a slow or missing server never holds
// up the main thread; a notice the server refuses or never answers is dropped. Without a bus the
// center does nothing.
class FreedesktopNotifications final : public QObject, public NotificationCenter {
    Q_OBJECT

public:
    // How many posted notices a click can still be traced back to; older ones are forgotten.
    static constexpr std::size_t rememberedNotices = 64;

    // desktopEntry: the app's desktop file name without ".desktop", so the server can show the
    // app's name and icon ("org.quillmarsh.app").
    FreedesktopNotifications(QDBusConnection bus, std::string desktopEntry, QObject* parent = nullptr);

    void post(const Notice& notice) override;
    void setOnResponse(OnResponse onResponse) override { onResponse_ = std::move(onResponse); }
    // Whether bodies go out escaped: true until the server has listed its capabilities, then
    // whether the list has "body-markup".
    bool readsBodyMarkup() const { return bodyMarkup_; }

    // The body as a server that reads markup shows it as typed: &, < and > as entities.
    static QString escapedBody(const QString& body);
    // The arguments of Notify, in the order and with the types of its signature
    // (susssasa{sv}i).
    static QList<QVariant> notifyArguments(const Notice& notice, const std::string& desktopEntry,
                                           bool bodyMarkup);

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    void remember(uint id, Response response);

    QDBusConnection bus_;
    std::string desktopEntry_;
    // Until the server has listed its capabilities, it is taken to read markup: an escaped body
    // on a plain-text server shows entities, an unescaped one on a markup server can lose text.
    bool bodyMarkup_ = true;
    OnResponse onResponse_;
    // Our notices on the server, oldest first, at most rememberedNotices.
    std::deque<std::pair<uint, Response>> posted_;
};

} // namespace quillmarsh
