#pragma once

#include <QObject>
#include <QString>

#include <string>

#include <sys/types.h>

class QLocalServer;
class QLocalSocket;

namespace quillmarsh {

// How a second launch of the app reaches the one already running for the same user and agent:
// a local socket on which the running app listens. The newcomer connects, writes "reopen", waits
// for "ok" and exits; the running app then reopens (shows its status item and a window). Nothing
// else is accepted: a request is one short line, and a connection that says anything else, or
// nothing for a few seconds, is dropped.
class ReopenChannel final : public QObject {
    Q_OBJECT

public:
    // The socket for this user and agent socket: in the user's runtime folder when there is one
    // (private to the user), else a name of the temporary folder that carries the user id. The
    // agent's socket path goes in as a digest, so names stay short and one app runs per agent.
    static QString serverName(uid_t user, const std::string& agentSocketPath, const QString& runtimeFolder);
    // The same for this process's user, the runtime folder from XDG_RUNTIME_DIR.
    static QString serverName(const std::string& agentSocketPath);

    // Asks the app listening at name to reopen; true once it acknowledged. Blocks for at most
    // about timeoutMs.
    static bool askToReopen(const QString& name, int timeoutMs = 3000);

    explicit ReopenChannel(QObject* parent = nullptr);
    ~ReopenChannel() override;

    // Listens at name, taking over a socket that nobody answers on (left by an app that ended
    // without cleaning up). False when it cannot listen; the app then runs without the channel.
    bool listen(const QString& name);
    // Why listen() failed.
    QString errorString() const;

signals:
    void reopenRequested();

private:
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* server_;
    QString error_;
};

} // namespace quillmarsh
