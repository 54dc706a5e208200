#include "Platform/ReopenChannel.h"

#include <QLocalSocket>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillmarsh {

namespace {

constexpr char request[] = "reopen\n";
constexpr char answer[] = "ok\n";
// The longest line a peer may send, and how long it may take.
constexpr qint64 maxLine = 64;
constexpr int idleMs = 5000;

} // namespace

ReopenChannel::ReopenChannel(InstanceClaim claim, QObject* parent) : QObject(parent), claim_(std::move(claim)) {}

ReopenChannel::~ReopenChannel() {
    notifier_.reset();
    if (listener_) {
        listener_.reset();
        // Still under the lock, so the socket is this app's own.
        ::unlink(claim_.socketPath.c_str());
    }
}

bool ReopenChannel::listen() {
    if (claim_.outcome != InstanceClaim::Outcome::running || !claim_.lock) {
        error_ = QStringLiteral("this process is not the running app");
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& path = claim_.socketPath;
    if (path.size() >= sizeof address.sun_path) {
        error_ = QString::fromStdString(path) + QStringLiteral(" is too long for a socket");
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) {
        error_ = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Whatever is there was left by an app that no longer holds the lock.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        error_ = QString::fromStdString(path) + QStringLiteral(" cannot be replaced: ") +
                 QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd.get(), 16) != 0) {
        error_ = QString::fromStdString(path) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    listener_ = std::move(fd);
    notifier_ = std::make_unique<QSocketNotifier>(listener_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ReopenChannel::accept);
    return true;
}

QString ReopenChannel::errorString() const { return error_; }

void ReopenChannel::accept() {
    for (;;) {
        UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!connection) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;  // EAGAIN: all taken
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(connection.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != claim_.user)
            continue;  // closed unanswered
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(connection.get())) {
            delete socket;
            continue;
        }
        connection.release();
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
