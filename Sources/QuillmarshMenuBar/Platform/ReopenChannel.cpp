#include "Platform/ReopenChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <unistd.h>

namespace quillmarsh {

namespace {

constexpr char request[] = "reopen\n";
constexpr char answer[] = "ok\n";
// The longest line a peer may send, and how long it may take.
constexpr qint64 maxLine = 64;
constexpr int idleMs = 5000;

} // namespace

QString ReopenChannel::serverName(uid_t user, const std::string& agentSocketPath, const QString& runtimeFolder) {
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(agentSocketPath),
                                                       QCryptographicHash::Sha256)
                                  .toHex()
                                  .left(16);
    const QString name = QStringLiteral("quillmarsh-%1-%2.reopen").arg(user).arg(QString::fromLatin1(digest));
    if (!runtimeFolder.isEmpty() && QDir::isAbsolutePath(runtimeFolder) && QFileInfo(runtimeFolder).isDir())
        return QDir(runtimeFolder).filePath(name);
    return name;
}

QString ReopenChannel::serverName(const std::string& agentSocketPath) {
    return serverName(::getuid(), agentSocketPath, qEnvironmentVariable("XDG_RUNTIME_DIR"));
}

bool ReopenChannel::askToReopen(const QString& name, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    QByteArray got;
    while (got.size() < static_cast<qsizetype>(sizeof answer - 1)) {
        if (!socket.waitForReadyRead(timeoutMs)) break;
        got += socket.readAll();
    }
    return got.startsWith(answer);
}

ReopenChannel::ReopenChannel(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &ReopenChannel::accept);
}

ReopenChannel::~ReopenChannel() = default;

bool ReopenChannel::listen(const QString& name) {
    // Somebody answers there: that app reopens, and this one must not take its socket. (Qt binds
    // a socket with access options elsewhere and renames it into place, so listen() itself would
    // replace a live socket as readily as a stale one.)
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        error_ = QStringLiteral("another copy of the app listens there");
        return false;
    }
    if (server_->listen(name)) return true;
    error_ = server_->errorString();
    return false;
}

QString ReopenChannel::errorString() const { return error_; }

void ReopenChannel::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        QTimer::singleShot(idleMs, socket, [socket] { socket->abort(); });
    }
}

void ReopenChannel::read(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxLine) socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(maxLine + 1);
    if (line == request) {
        socket->write(answer);
        socket->flush();
        emit reopenRequested();
    }
    socket->disconnectFromServer();
}

} // namespace quillmarsh
