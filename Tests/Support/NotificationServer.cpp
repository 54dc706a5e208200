#include "Support/NotificationServer.h"

#include "Support/PrivateBus.h"

#include <stdexcept>

namespace quillmarsh::test {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

NotificationServer::NotificationServer(PrivateBus& bus, QStringList capabilities)
    : connection_(bus.connect(QStringLiteral("server"))), capabilities_(std::move(capabilities)) {
    if (!connection_.registerObject(path, this, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals))
        throw std::runtime_error("notification server: cannot serve " + path.toStdString());
    // The one blocking call here: the test waits for the name before any client uses it.
    if (!connection_.registerService(service))
        throw std::runtime_error("notification server: cannot own " + service.toStdString());
}

NotificationServer::~NotificationServer() {
    connection_.unregisterService(service);
    connection_.unregisterObject(path);
}

int NotificationServer::answerCapabilities() {
    holding_ = false;
    for (const auto& question : heldQuestions_) connection_.send(question.createReply(capabilities_));
    const int held = static_cast<int>(heldQuestions_.size());
    heldQuestions_.clear();
    return held;
}

QStringList NotificationServer::GetCapabilities() {
    ++questionsAsked_;
    if (holding_) {
        setDelayedReply(true);
        heldQuestions_.push_back(message());
        return {};
    }
    return capabilities_;
}

uint NotificationServer::Notify(const QString& appName, uint replacesId, const QString& appIcon,
                                const QString& summary, const QString& body, const QStringList& actions,
                                const QVariantMap& hints, int expireTimeout) {
    const uint id = static_cast<uint>(calls_.size()) + 1;
    calls_.push_back({message().signature(), appName, replacesId, appIcon, summary, body, actions, hints,
                      expireTimeout, id});
    return id;
}

} // namespace quillmarsh::test
