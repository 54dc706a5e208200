#pragma once

#include "Notifications/NotificationCenter.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

class QDBusServiceWatcher;

namespace quillmarsh {

// The desktop's notification service (org.freedesktop.Notifications on the session bus) as the
// app's notification center. Every call is asynchronous, so a slow or missing server never holds
// up the main thread; a notice the server refuses or never answers is dropped. Without a bus the
// center does nothing.
//
// Whether a body goes out escaped depends on the server that owns the name: its capabilities are
// asked again whenever the name gets a new owner, and a notice posted while they are not known
// waits for the answer to a question asked after it (see Limits for how long). An answer that no
// server owns the name drops the notices waiting for it; a server that cannot say gets escaped
// bodies.
class FreedesktopNotifications final : public QObject, public NotificationCenter {
    Q_OBJECT

public:
    struct Limits {
        // How many posted notices a click can still be traced back to, oldest forgotten first.
        // A notice is forgotten earlier when the server closes it or the server goes.
        std::size_t rememberedNotices = 4096;
        // How many notices wait for the server's capabilities; past that the oldest goes out
        // with its body escaped.
        std::size_t heldNotices = 32;
        // How long a notice waits for them before it goes out with its body escaped.
        std::chrono::milliseconds holdTime = std::chrono::seconds(10);
    };

    // desktopEntry: the app's desktop file name without ".desktop", so the server can show the
    // app's name and icon ("org.quillmarsh.app").
    FreedesktopNotifications(QDBusConnection bus, std::string desktopEntry, QObject* parent = nullptr);
    FreedesktopNotifications(QDBusConnection bus, std::string desktopEntry, Limits limits,
                             QObject* parent = nullptr);
    ~FreedesktopNotifications() override;

    void post(const Notice& notice) override;
    void setOnResponse(OnResponse onResponse) override { onResponse_ = std::move(onResponse); }
    // What the current owner of the name said of markup in bodies; none until it has answered.
    std::optional<bool> readsBodyMarkup() const { return bodyMarkup_; }

    // The body as a server that reads markup shows it as typed: &, < and > as entities.
    static QString escapedBody(const QString& body);
    // Agent text as a D-Bus string carries it: the UTF-8 decoded with U+FFFD for every byte that
    // is not part of a valid sequence and for every NUL, which would end the string on the bus.
    static QString busText(const std::string& text);
    // The arguments of Notify, in the order and with the types of its signature
    // (susssasa{sv}i).
    static QList<QVariant> notifyArguments(const Notice& notice, const std::string& desktopEntry,
                                           bool bodyMarkup);

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    // A notice waiting for the answer to question `question` (or any later one of the same
    // owner), at most until `deadline`.
    struct Held {
        Notice notice;
        std::uint64_t question = 0;
        std::chrono::steady_clock::time_point deadline;
    };

    void onOwnerChanged(const QString& newOwner);
    std::uint64_t askCapabilities();
    void onCapabilities(std::uint64_t question, const QDBusMessage& reply);
    void send(const Notice& notice, bool bodyMarkup);
    void releaseAll(bool bodyMarkup);
    void releaseExpired();
    void scheduleRelease();
    void remember(uint id, Response response);

    QDBusConnection bus_;
    std::string desktopEntry_;
    Limits limits_;
    OnResponse onResponse_;
    QDBusServiceWatcher* watcher_ = nullptr;  // a child
    // The current owner's answer about "body-markup"; none until it answered.
    std::optional<bool> bodyMarkup_;
    // The number of the last GetCapabilities sent, and of the first one sent to the current
    // owner: answers to earlier ones speak of a server that has gone.
    std::uint64_t questions_ = 0;
    std::uint64_t ownerQuestions_ = 1;
    // Counts the owners seen, so that a Notify answered by a server that has gone since is not
    // traced to the next one, which numbers its notices afresh.
    std::uint64_t ownerEpoch_ = 0;
    std::deque<Held> held_;
    QTimer holdTimer_;
    // Our notices on the current server, oldest first, at most limits_.rememberedNotices.
    std::deque<std::pair<uint, Response>> posted_;
};

} // namespace quillmarsh
