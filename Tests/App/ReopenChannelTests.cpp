// The local socket a second launch reaches the running app through, with real sockets in a
// temporary runtime folder.
#include "Foundation/UniqueFd.h"
#include "Platform/ReopenChannel.h"
#include "Support/TempFolder.h"
#include "Support/TestApplication.h"

#include <QLocalSocket>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillmarsh {
namespace {

// Runs the blocking ask on a thread of its own while this one runs the event loop for the server.
bool askWhileServing(const QString& name) {
    auto asked = std::async(std::launch::async, [name] { return ReopenChannel::askToReopen(name, 3000); });
    EXPECT_TRUE(test::spinUntil([&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return asked.get();
}

TEST(ReopenChannelTest, NamesArePerUserAndAgentAndLiveInTheRuntimeFolder) {
    const test::TempFolder runtime("qm-run");
    const QString folder = QString::fromStdString(runtime.string());
    const QString name = ReopenChannel::serverName(1000, "/home/a/.quillmarsh/agent.sock", folder);
    EXPECT_TRUE(name.startsWith(folder + QStringLiteral("/quillmarsh-1000-"))) << name.toStdString();
    EXPECT_NE(name, ReopenChannel::serverName(1000, "/tmp/other/agent.sock", folder));
    EXPECT_NE(name, ReopenChannel::serverName(1001, "/home/a/.quillmarsh/agent.sock", folder));
    EXPECT_EQ(name, ReopenChannel::serverName(1000, "/home/a/.quillmarsh/agent.sock", folder));
    // A socket path stays well inside the 108 bytes of a Unix address.
    EXPECT_LT(name.toUtf8().size(), 108 - 40);

    // Without a usable runtime folder the name carries the user and Qt places it in /tmp.
    for (const QString& none : {QString(), QStringLiteral("relative/run"), folder + QStringLiteral("/missing")}) {
        const QString plain = ReopenChannel::serverName(1000, "/home/a/.quillmarsh/agent.sock", none);
        EXPECT_TRUE(plain.startsWith(QStringLiteral("quillmarsh-1000-"))) << plain.toStdString();
    }
}

TEST(ReopenChannelTest, AReopenRequestIsAcknowledgedAndAnnounced) {
    test::ensureApp();
    const test::TempFolder runtime("qm-run");
    const QString name = ReopenChannel::serverName(::getuid(), "/x/agent.sock", QString::fromStdString(runtime.string()));
    EXPECT_FALSE(ReopenChannel::askToReopen(name, 500)) << "nobody listens yet";

    ReopenChannel channel;
    ASSERT_TRUE(channel.listen(name)) << channel.errorString().toStdString();
    QSignalSpy requests(&channel, &ReopenChannel::reopenRequested);
    EXPECT_TRUE(askWhileServing(name));
    EXPECT_EQ(requests.count(), 1);
    EXPECT_TRUE(askWhileServing(name));
    EXPECT_EQ(requests.count(), 2);
}

TEST(ReopenChannelTest, AnythingButTheRequestIsDroppedUnanswered) {
    test::ensureApp();
    const test::TempFolder runtime("qm-run");
    const QString name = ReopenChannel::serverName(::getuid(), "/x/agent.sock", QString::fromStdString(runtime.string()));
    ReopenChannel channel;
    ASSERT_TRUE(channel.listen(name));
    QSignalSpy requests(&channel, &ReopenChannel::reopenRequested);

    for (const QByteArray& said : {QByteArray("reopen now\n"), QByteArray("REOPEN\n"), QByteArray(200, 'r')}) {
        QLocalSocket peer;
        peer.connectToServer(name);
        ASSERT_TRUE(peer.waitForConnected(2000));
        peer.write(said);
        peer.flush();
        // The channel hangs up on it without an answer.
        ASSERT_TRUE(test::spinUntil([&] {
            peer.waitForReadyRead(5);
            return peer.state() == QLocalSocket::UnconnectedState;
        }));
        EXPECT_TRUE(peer.readAll().isEmpty()) << said.left(20).toStdString();
    }
    EXPECT_EQ(requests.count(), 0);
}

TEST(ReopenChannelTest, AStaleSocketIsTakenOverButALiveOneIsLeftAlone) {
    test::ensureApp();
    const test::TempFolder runtime("qm-run");
    const QString name = ReopenChannel::serverName(::getuid(), "/x/agent.sock", QString::fromStdString(runtime.string()));

    // What an app that was killed leaves: a socket file that nobody listens on.
    {
        const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = name.toUtf8();
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    }
    ReopenChannel first;
    ASSERT_TRUE(first.listen(name)) << first.errorString().toStdString();
    QSignalSpy requests(&first, &ReopenChannel::reopenRequested);

    ReopenChannel second;
    EXPECT_FALSE(second.listen(name));
    EXPECT_TRUE(askWhileServing(name));
    EXPECT_EQ(requests.count(), 1) << "the first app still gets the request";
}

} // namespace
} // namespace quillmarsh
