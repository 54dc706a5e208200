#include "Platform/FreedesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>
#include <cstdio>

namespace quillmarsh {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage call(const QString& method) { return QDBusMessage::createMethodCall(service, path, interface, method); }

// Runs done with the reply once it arrives, on this object's thread; nothing when the object is
// gone first (the watcher goes with it).
template <typename Done>
void whenAnswered(QObject* owner, const QDBusPendingCall& pending, Done done) {
    auto* watcher = new QDBusPendingCallWatcher(pending, owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner, [watcher, done](QDBusPendingCallWatcher*) {
        watcher->deleteLater();
        done(*watcher);
    });
}

} // namespace

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection bus, std::string desktopEntry, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), desktopEntry_(std::move(desktopEntry)) {
    if (!bus_.isConnected()) {
        std::fprintf(stderr, "Quillmarsh: notifications are off: there is no session bus\n");
        return;
    }
    // Both signals go to every client of the server; the slots pick out our own ids. Naming the
    // service makes Qt look up its owner once, a question the bus daemon answers itself; the
    // server is never waited for.
    bus_.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                 SLOT(onActionInvoked(uint,QString)));
    bus_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                 SLOT(onNotificationClosed(uint,uint)));
    whenAnswered(this, bus_.asyncCall(call(QStringLiteral("GetCapabilities"))), [this](QDBusPendingCallWatcher& answer) {
        const QDBusPendingReply<QStringList> reply = answer;
        if (reply.isValid()) bodyMarkup_ = reply.value().contains(QStringLiteral("body-markup"));
    });
}

QString FreedesktopNotifications::escapedBody(const QString& body) {
    QString out;
    out.reserve(body.size());
    for (const QChar c : body) {
        if (c == u'&') out += QStringLiteral("&amp;");
        else if (c == u'<') out += QStringLiteral("&lt;");
        else if (c == u'>') out += QStringLiteral("&gt;");
        else out += c;
    }
    return out;
}

QList<QVariant> FreedesktopNotifications::notifyArguments(const Notice& notice, const std::string& desktopEntry,
                                                          bool bodyMarkup) {
    const auto& category = NoticeCategories::info(notice.category);
    const QString body = QString::fromUtf8(notice.body);
    // "default" is a click on the notice itself; it does what the action button does.
    const QStringList actions{QStringLiteral("default"), QString::fromUtf8(category.actionTitle),
                              QString::fromUtf8(category.actionIdentifier), QString::fromUtf8(category.actionTitle)};
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QString::fromUtf8(desktopEntry)},
        {QStringLiteral("category"), QStringLiteral("x-quillmarsh.") + QString::fromUtf8(category.identifier)},
    };
    return {
        QStringLiteral("Quillmarsh"),                 // s app_name
        QVariant::fromValue(quint32(0)),              // u replaces_id: an int would send i, which the server refuses
        QString(),                                    // s app_icon: the desktop entry's icon
        QString::fromUtf8(notice.title),              // s summary: plain text in every server
        bodyMarkup ? escapedBody(body) : body,        // s body
        actions,                                      // as actions
        hints,                                        // a{sv} hints
        QVariant::fromValue(qint32(-1)),              // i expire_timeout: the server's default
    };
}

void FreedesktopNotifications::post(const Notice& notice) {
    if (!bus_.isConnected()) return;
    QDBusMessage message = call(QStringLiteral("Notify"));
    message.setArguments(notifyArguments(notice, desktopEntry_, bodyMarkup_));
    Response response{std::string(NoticeCategories::info(notice.category).identifier), notice.userInfo};
    whenAnswered(this, bus_.asyncCall(message), [this, response](QDBusPendingCallWatcher& answer) {
        // An error (no server, a refused call, a lost bus) drops the notice.
        const QDBusPendingReply<uint> reply = answer;
        if (reply.isValid()) remember(reply.value(), response);
    });
}

void FreedesktopNotifications::remember(uint id, Response response) {
    posted_.emplace_back(id, std::move(response));
    if (posted_.size() > rememberedNotices) posted_.pop_front();
}

void FreedesktopNotifications::onActionInvoked(uint id, const QString& actionKey) {
    // Any key: "default" and the category's action both mean the notice's one action.
    (void)actionKey;
    const auto found =
        std::find_if(posted_.begin(), posted_.end(), [id](const auto& entry) { return entry.first == id; });
    if (found == posted_.end() || !onResponse_) return;
    // A copy: a callback that runs the event loop (a dialog) lets replies and signals change the
    // list under it.
    const Response response = found->second;
    onResponse_(response);
}

void FreedesktopNotifications::onNotificationClosed(uint id, uint reason) {
    (void)reason;
    std::erase_if(posted_, [id](const auto& entry) { return entry.first == id; });
}

} // namespace quillmarsh
