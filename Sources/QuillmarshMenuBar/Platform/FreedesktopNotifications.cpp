#include "Platform/FreedesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
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

// The bus daemon's answers for a name that no one owns and that no service file starts (or whose
// start failed): there is no server to show a notice.
bool saysNoServer(const QString& errorName) {
    return errorName == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
           errorName == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           errorName.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Spawn."));
}

} // namespace

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection bus, std::string desktopEntry, QObject* parent)
    : FreedesktopNotifications(std::move(bus), std::move(desktopEntry), Limits(), parent) {}

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection bus, std::string desktopEntry, Limits limits,
                                                   QObject* parent)
    : QObject(parent), bus_(std::move(bus)), desktopEntry_(std::move(desktopEntry)), limits_(limits) {
    holdTimer_.setSingleShot(true);
    connect(&holdTimer_, &QTimer::timeout, this, &FreedesktopNotifications::releaseExpired);
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
    // Watching before asking: the daemon handles our messages in order, so a server that takes
    // the name after it answered the question below is announced to us.
    watcher_ = new QDBusServiceWatcher(service, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { onOwnerChanged(newOwner); });
    askCapabilities();
}

FreedesktopNotifications::~FreedesktopNotifications() = default;

std::uint64_t FreedesktopNotifications::askCapabilities() {
    const std::uint64_t question = ++questions_;
    whenAnswered(this, bus_.asyncCall(call(QStringLiteral("GetCapabilities"))),
                 [this, question](QDBusPendingCallWatcher& answer) { onCapabilities(question, answer.reply()); });
    return question;
}

void FreedesktopNotifications::onCapabilities(std::uint64_t question, const QDBusMessage& reply) {
    // An answer from a server that has gone since; the question asked of the new owner decides.
    if (question < ownerQuestions_) return;
    if (reply.type() == QDBusMessage::ErrorMessage && saysNoServer(reply.errorName())) {
        // Nobody owned the name when the daemon took the question: the notices posted before it
        // have no server to go to. Later ones wait for their own question.
        std::erase_if(held_, [question](const Held& held) { return held.question <= question; });
        scheduleRelease();
        return;
    }
    // A list of strings tells; any other answer (an error, another type) comes from a server that
    // cannot say, and escaped bodies lose nothing there.
    bool markup = true;
    if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QStringLiteral("as"))
        markup = reply.arguments().value(0).toStringList().contains(QStringLiteral("body-markup"));
    bodyMarkup_ = markup;
    releaseAll(markup);
}

void FreedesktopNotifications::onOwnerChanged(const QString& newOwner) {
    // A new server numbers its notices afresh and may read markup or not: forget what the old
    // one said and showed.
    ++ownerEpoch_;
    posted_.clear();
    bodyMarkup_.reset();
    ownerQuestions_ = questions_ + 1;
    if (newOwner.isEmpty()) {
        held_.clear();
        scheduleRelease();
        return;
    }
    askCapabilities();
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

QString FreedesktopNotifications::busText(const std::string& text) {
    QString out = QString::fromUtf8(text);
    out.replace(QChar(u'\0'), QChar(QChar::ReplacementCharacter));
    return out;
}

QList<QVariant> FreedesktopNotifications::notifyArguments(const Notice& notice, const std::string& desktopEntry,
                                                          bool bodyMarkup) {
    const auto& category = NoticeCategories::info(notice.category);
    const QString body = busText(notice.body);
    // "default" is a click on the notice itself; it does what the action button does.
    const QStringList actions{QStringLiteral("default"), QString::fromUtf8(category.actionTitle),
                              QString::fromUtf8(category.actionIdentifier), QString::fromUtf8(category.actionTitle)};
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), busText(desktopEntry)},
        {QStringLiteral("category"), QStringLiteral("x-quillmarsh.") + QString::fromUtf8(category.identifier)},
    };
    return {
        QStringLiteral("Quillmarsh"),                 // s app_name
        QVariant::fromValue(quint32(0)),              // u replaces_id: an int would send i, which the server refuses
        QString(),                                    // s app_icon: the desktop entry's icon
        busText(notice.title),                        // s summary: plain text in every server
        bodyMarkup ? escapedBody(body) : body,        // s body
        actions,                                      // as actions
        hints,                                        // a{sv} hints
        QVariant::fromValue(qint32(-1)),              // i expire_timeout: the server's default
    };
}

void FreedesktopNotifications::post(const Notice& notice) {
    if (!bus_.isConnected()) return;
    if (bodyMarkup_) {
        send(notice, *bodyMarkup_);
        return;
    }
    // The capabilities are not known yet: wait for an answer to a question asked now, so that a
    // server which took the name a moment ago is the one that answers.
    if (held_.size() >= limits_.heldNotices) {
        const Notice oldest = held_.front().notice;
        held_.pop_front();
        send(oldest, true);
    }
    held_.push_back({notice, askCapabilities(), std::chrono::steady_clock::now() + limits_.holdTime});
    scheduleRelease();
}

void FreedesktopNotifications::send(const Notice& notice, bool bodyMarkup) {
    QDBusMessage message = call(QStringLiteral("Notify"));
    message.setArguments(notifyArguments(notice, desktopEntry_, bodyMarkup));
    Response response{std::string(NoticeCategories::info(notice.category).identifier), notice.userInfo};
    const std::uint64_t epoch = ownerEpoch_;
    whenAnswered(this, bus_.asyncCall(message), [this, response, epoch](QDBusPendingCallWatcher& answer) {
        // An error (no server, a refused call, a lost bus) drops the notice.
        const QDBusPendingReply<uint> reply = answer;
        if (reply.isValid() && epoch == ownerEpoch_) remember(reply.value(), response);
    });
}

void FreedesktopNotifications::releaseAll(bool bodyMarkup) {
    // Moved out first: a send never posts, but the list must not change while it is walked.
    std::deque<Held> waiting;
    waiting.swap(held_);
    for (const auto& held : waiting) send(held.notice, bodyMarkup);
    scheduleRelease();
}

void FreedesktopNotifications::releaseExpired() {
    const auto now = std::chrono::steady_clock::now();
    while (!held_.empty() && held_.front().deadline <= now) {
        const Notice notice = held_.front().notice;
        held_.pop_front();
        send(notice, bodyMarkup_.value_or(true));
    }
    scheduleRelease();
}

void FreedesktopNotifications::scheduleRelease() {
    if (held_.empty()) {
        holdTimer_.stop();
        return;
    }
    // Held in posting order with one hold time, so the first one is due first.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(held_.front().deadline -
                                                                   std::chrono::steady_clock::now());
    holdTimer_.start(std::max(left, std::chrono::milliseconds(0)));
}

void FreedesktopNotifications::remember(uint id, Response response) {
    posted_.emplace_back(id, std::move(response));
    if (posted_.size() > limits_.rememberedNotices) posted_.pop_front();
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
