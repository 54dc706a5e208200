#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace quillmarsh::test {

class PrivateBus;

// A desktop notification server in the test program: owns org.freedesktop.Notifications on a
// connection of its own and serves /org/freedesktop/Notifications. It records every Notify it
// accepts and answers with increasing ids; the test sends its signals. Its methods carry exactly
// the notification interface's signatures, so a call with other argument types is refused as
// unknown, as a real server refuses it.
class NotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    // One accepted Notify.
    struct Call {
        QString signature;  // the message's argument types
        QString appName;
        uint replacesId = 0;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        uint id = 0;  // the answer
    };

    // Serves on a new connection to bus with these capabilities. Throws when the name cannot be
    // owned.
    explicit NotificationServer(PrivateBus& bus,
                                QStringList capabilities = {QStringLiteral("actions"), QStringLiteral("body"),
                                                            QStringLiteral("body-markup")});
    ~NotificationServer() override;

    const std::vector<Call>& calls() const { return calls_; }
    // How many GetCapabilities questions have arrived, answered or held.
    int questionsAsked() const { return questionsAsked_; }

    // From now on GetCapabilities is not answered until answerCapabilities().
    void holdCapabilities() { holding_ = true; }
    // Answers the held questions and every later one at once; returns how many were held.
    int answerCapabilities();

    // Signals to every client, as a server sends them on a click and when a notice goes.
    void invokeAction(uint id, const QString& actionKey) { emit ActionInvoked(id, actionKey); }
    void close(uint id, uint reason) { emit NotificationClosed(id, reason); }

    // The bus methods, named as the interface names them.
public slots:
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expireTimeout);

signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);

private:
    QDBusConnection connection_;
    QStringList capabilities_;
    bool holding_ = false;
    int questionsAsked_ = 0;
    std::vector<QDBusMessage> heldQuestions_;
    std::vector<Call> calls_;
};

} // namespace quillmarsh::test
