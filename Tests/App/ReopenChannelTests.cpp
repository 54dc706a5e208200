// How launches of the app find each other, with real folders, locks and sockets in a temporary
// runtime folder: the folder's checks, the one claim that makes a process the running app, and the
// running app's end of the reopen socket.
#include "Foundation/UniqueFd.h"
#include "Platform/InstanceClaim.h"
#include "Platform/ReopenChannel.h"
#include "Platform/RuntimeFolder.h"
#include "Support/TempFolder.h"
#include "Support/TestApplication.h"

#include <QLocalSocket>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <future>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillmarsh {
namespace {

using namespace std::chrono_literals;

// A private runtime folder of this user's.
class PrivateFolder {
public:
    PrivateFolder() { ::chmod(temp_.path().c_str(), 0700); }
    RuntimeFolder folder() const { return RuntimeFolder::locate(::getuid(), temp_.path().c_str(), nullptr); }
    std::string string() const { return temp_.string(); }

private:
    test::TempFolder temp_{"qm-run"};
};

InstanceClaim claim(const PrivateFolder& folder, std::chrono::milliseconds patience = 2s) {
    return InstanceClaim::claim(folder.folder(), ::getuid(), "/x/agent.sock", patience);
}

// Claims on a thread of its own while this one runs the event loop for the running app.
InstanceClaim claimWhileServing(const PrivateFolder& folder) {
    auto claimed = std::async(std::launch::async, [&folder] { return claim(folder); });
    EXPECT_TRUE(test::spinUntil([&] { return claimed.wait_for(0s) == std::future_status::ready; }));
    return claimed.get();
}

TEST(RuntimeFolderTest, OnlyAFolderOfTheUsersOwnWithMode0700IsUsed) {
    const test::TempFolder root("qm-folders");
    const uid_t me = ::getuid();
    struct Case {
        const char* what;
        std::function<std::string()> make;  // gives the path to check
        uid_t user;
        std::string error;  // what the refusal says after the path; empty when used
    };
    const auto folderWithMode = [&](const std::string& name, mode_t mode) {
        return [&root, name, mode] {
            const auto path = root.mkdir(name);
            ::chmod(path.c_str(), mode);
            return path.string();
        };
    };
    const std::vector<Case> cases = {
        {"private", folderWithMode("private", 0700), me, ""},
        {"open to the group", folderWithMode("group", 0750), me, " has mode 0750, not 0700"},
        {"open to everyone", folderWithMode("everyone", 0777), me, " has mode 0777, not 0700"},
        {"sticky", folderWithMode("sticky", 01700), me, " has mode 1700, not 0700"},
        {"another user's", folderWithMode("theirs", 0700), me + 1,
         " belongs to user " + std::to_string(me) + ", not to user " + std::to_string(me + 1)},
        {"a link to a private folder",
         [&] {
             folderWithMode("target", 0700)();
             std::filesystem::create_directory_symlink(root / "target", root / "link");
             return (root / "link").string();
         },
         me, " is a link, not a folder of its own"},
        {"a file", [&] { return root.write("file", "x").string(); }, me, " is not a folder"},
        {"missing", [&] { return (root / "missing").string(); }, me, " cannot be used: No such file or directory"},
    };
    for (const auto& c : cases) {
        const std::string path = c.make();
        EXPECT_EQ(RuntimeFolder::check(path, c.user), c.error.empty() ? "" : path + c.error) << c.what;
        const RuntimeFolder located = RuntimeFolder::locate(c.user, path.c_str(), "/nonexistent");
        EXPECT_EQ(located.path, path) << c.what;
        EXPECT_EQ(located.usable(), c.error.empty()) << c.what;
    }
}

TEST(RuntimeFolderTest, WithoutARuntimeFolderAPrivateOneIsMadeInTheTemporaryFolder) {
    const test::TempFolder temporary("qm-tmp");
    const uid_t me = ::getuid();
    for (const char* runtime : {static_cast<const char*>(nullptr), "", "relative/run"}) {
        const RuntimeFolder made = RuntimeFolder::locate(me, runtime, (temporary.string() + "/").c_str());
        EXPECT_EQ(made.path, temporary.string() + "/quillmarsh-" + std::to_string(me));
        EXPECT_TRUE(made.usable()) << made.error;
        struct stat info {};
        ASSERT_EQ(::lstat(made.path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u);
    }
    // Somebody made it first and left it open: refused, and left as it is.
    const test::TempFolder other("qm-tmp");
    const auto squatted = other.mkdir("quillmarsh-" + std::to_string(me));
    ::chmod(squatted.c_str(), 0777);
    const RuntimeFolder refused = RuntimeFolder::locate(me, nullptr, other.string().c_str());
    EXPECT_EQ(refused.error, squatted.string() + " has mode 0777, not 0700");
    // So is a link put there in its place.
    const test::TempFolder linked("qm-tmp");
    std::filesystem::create_directory_symlink(temporary / ("quillmarsh-" + std::to_string(me)),
                                              linked / ("quillmarsh-" + std::to_string(me)));
    EXPECT_FALSE(RuntimeFolder::locate(me, nullptr, linked.string().c_str()).usable());
    // A refused folder is no place to meet.
    const InstanceClaim none = InstanceClaim::claim(refused, me, "/x/agent.sock", 1s);
    EXPECT_EQ(none.outcome, InstanceClaim::Outcome::alone);
    EXPECT_EQ(none.error, refused.error);
    EXPECT_FALSE(none.lock);
}

TEST(InstanceClaimTest, NamesArePerUserAndAgent) {
    const std::string name = InstanceClaim::baseName(1000, "/home/a/.quillmarsh/agent.sock");
    EXPECT_TRUE(name.starts_with("quillmarsh-1000-")) << name;
    EXPECT_EQ(name.size(), std::string("quillmarsh-1000-").size() + 16);
    EXPECT_NE(name, InstanceClaim::baseName(1000, "/tmp/other/agent.sock"));
    EXPECT_NE(name, InstanceClaim::baseName(1001, "/home/a/.quillmarsh/agent.sock"));
    EXPECT_EQ(name, InstanceClaim::baseName(1000, "/home/a/.quillmarsh/agent.sock"));
}

TEST(InstanceClaimTest, OneClaimRunsAndTheNextHandsOverToIt) {
    test::ensureApp();
    const PrivateFolder folder;
    InstanceClaim first = claim(folder);
    ASSERT_EQ(first.outcome, InstanceClaim::Outcome::running) << first.error;
    const std::string socketPath = first.socketPath;
    EXPECT_EQ(socketPath, folder.string() + "/" + InstanceClaim::baseName(::getuid(), "/x/agent.sock") + ".reopen");

    // The lock is held from the claim on: a launch that comes before the app listens waits for
    // it, and gives up when it never does.
    const InstanceClaim early = claim(folder, 300ms);
    EXPECT_EQ(early.outcome, InstanceClaim::Outcome::noAnswer);
    EXPECT_NE(early.error.find("does not listen at " + socketPath), std::string::npos) << early.error;

    ReopenChannel channel(std::move(first));
    ASSERT_TRUE(channel.listen()) << channel.errorString().toStdString();
    QSignalSpy requests(&channel, &ReopenChannel::reopenRequested);
    for (int launch = 1; launch <= 2; ++launch) {
        const InstanceClaim next = claimWhileServing(folder);
        EXPECT_EQ(next.outcome, InstanceClaim::Outcome::handedOver) << next.error;
        EXPECT_FALSE(next.lock);
        EXPECT_EQ(requests.count(), launch);
    }
}

TEST(InstanceClaimTest, TheLockGoesWithTheAppAndItsSocketIsTakenOver) {
    test::ensureApp();
    const PrivateFolder folder;
    std::string socketPath;
    {
        ReopenChannel gone(claim(folder));
        ASSERT_TRUE(gone.listen());
        socketPath = gone.socketPath();
    }
    EXPECT_FALSE(std::filesystem::exists(socketPath)) << "the socket goes with the app";

    // What an app that was killed leaves: a socket file that nobody listens on.
    {
        const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
        ASSERT_EQ(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    }
    ReopenChannel next(claim(folder));
    ASSERT_TRUE(next.listen()) << next.errorString().toStdString();
    QSignalSpy requests(&next, &ReopenChannel::reopenRequested);
    EXPECT_EQ(claimWhileServing(folder).outcome, InstanceClaim::Outcome::handedOver);
    EXPECT_EQ(requests.count(), 1);
}

TEST(InstanceClaimTest, AnythingButTheRequestIsDroppedUnanswered) {
    test::ensureApp();
    const PrivateFolder folder;
    ReopenChannel channel(claim(folder));
    ASSERT_TRUE(channel.listen());
    QSignalSpy requests(&channel, &ReopenChannel::reopenRequested);

    for (const QByteArray& said : {QByteArray("reopen now\n"), QByteArray("REOPEN\n"), QByteArray(200, 'r')}) {
        QLocalSocket peer;
        peer.connectToServer(QString::fromStdString(channel.socketPath()));
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

} // namespace
} // namespace quillmarsh
