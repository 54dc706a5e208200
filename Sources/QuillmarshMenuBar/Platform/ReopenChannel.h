#pragma once

#include "Platform/InstanceClaim.h"

#include <QObject>
#include <QString>

#include <memory>

class QLocalSocket;
class QSocketNotifier;

namespace quillmarsh {

// The running app's end of the reopen socket (InstanceClaim is the launch's end). It owns the
// claim, and with it the lock that makes this process the running app, for as long as it lives.
// A connection from another user is closed at once (the kernel's SO_PEERCRED tells); from the user
// the one request is "reopen" on a line, answered "ok", and then reopenRequested() is emitted.
// Anything else, a line past 64 bytes, or nothing for 5 s, is dropped unanswered.
class ReopenChannel final : public QObject {
    Q_OBJECT

public:
    // claim holds the lock (outcome running).
    explicit ReopenChannel(InstanceClaim claim, QObject* parent = nullptr);
    ~ReopenChannel() override;

    // Listens at the claim's socket path, replacing a socket an app that ended without cleaning
    // up left there (the lock says no app runs any more). False when it cannot; the app then runs
    // without the channel, still holding the lock.
    bool listen();
    // Why listen() failed.
    QString errorString() const;
    // Where it listens.
    const std::string& socketPath() const { return claim_.socketPath; }

signals:
    void reopenRequested();

private:
    void accept();
    void read(QLocalSocket* socket);

    InstanceClaim claim_;
    UniqueFd listener_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QString error_;
};

} // namespace quillmarsh
