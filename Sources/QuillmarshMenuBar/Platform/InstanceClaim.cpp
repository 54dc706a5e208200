#include "Platform/InstanceClaim.h"

#include "Foundation/FileIO.h"
#include "Update/AppUpdate.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace quillmarsh {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view request = "reopen\n";
constexpr std::string_view answer = "ok\n";
// How often a launch looks again for an app that holds the lock but does not listen yet.
constexpr auto retryEvery = std::chrono::milliseconds(50);

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

std::string InstanceClaim::baseName(uid_t user, const std::string& agentSocketPath) {
    return "quillmarsh-" + std::to_string(user) + "-" + AppUpdate::sha256Hex(agentSocketPath).substr(0, 16);
}

InstanceClaim::Answer InstanceClaim::askToReopen(const std::string& path, uid_t user, Clock::time_point deadline,
                                                 std::string& why) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        why = path + " is too long for a socket";
        return Answer::failed;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) {
        why = std::string("no socket: ") + std::strerror(errno);
        return Answer::failed;
    }
    // Not blocking: a listener whose queue is full counts as one that does not listen yet.
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Answer::absent;

    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        why = std::string("the listener at " + path + " cannot be identified: ") + std::strerror(errno);
        return Answer::failed;
    }
    if (peer.uid != user) {
        why = "the listener at " + path + " runs as user " + std::to_string(peer.uid) + ", not as user " +
              std::to_string(user);
        return Answer::otherUser;
    }
    if (!FileIO::sendAll(fd.get(), request)) {
        why = std::string("the request cannot be sent: ") + std::strerror(errno);
        return Answer::failed;
    }
    std::string got;
    while (got.size() < answer.size()) {
        pollfd wait{fd.get(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            why = "no answer";
            return Answer::failed;
        }
        char buffer[8];
        const ssize_t n = ::read(fd.get(), buffer, answer.size() - got.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            why = "it hung up without an answer";
            return Answer::failed;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    if (got != answer) {
        why = "it did not acknowledge";
        return Answer::failed;
    }
    return Answer::acknowledged;
}

InstanceClaim InstanceClaim::claim(const RuntimeFolder& folder, uid_t user, const std::string& agentSocketPath,
                                   std::chrono::milliseconds patience) {
    InstanceClaim claim;
    claim.user = user;
    if (!folder.usable()) {
        claim.error = folder.error;
        return claim;
    }
    const std::string base = folder.path + "/" + baseName(user, agentSocketPath);
    const std::string lockPath = base + ".lock";
    claim.socketPath = base + ".reopen";

    UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600));
    if (!lock) {
        claim.error = lockPath + " cannot be opened: " + std::strerror(errno);
        return claim;
    }
    const auto deadline = Clock::now() + patience;
    for (;;) {
        if (::flock(lock.get(), LOCK_EX | LOCK_NB) == 0) {
            claim.outcome = Outcome::running;
            claim.lock = std::move(lock);
            return claim;
        }
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK) {
            claim.error = lockPath + " cannot be locked: " + std::strerror(errno);
            return claim;
        }
        // Held: an app runs. It may still be on its way to listening, so an absent listener is
        // looked for again until the deadline.
        std::string why;
        switch (askToReopen(claim.socketPath, user, deadline, why)) {
        case Answer::acknowledged:
            claim.outcome = Outcome::handedOver;
            return claim;
        case Answer::otherUser:
            claim.outcome = Outcome::alone;
            claim.error = why;
            return claim;
        case Answer::failed:
            claim.outcome = Outcome::noAnswer;
            claim.error = "the app that runs already does not answer at " + claim.socketPath + ": " + why;
            return claim;
        case Answer::absent:
            break;
        }
        if (Clock::now() >= deadline) {
            claim.outcome = Outcome::noAnswer;
            claim.error = "the app that runs already (it holds " + lockPath + ") does not listen at " +
                          claim.socketPath;
            return claim;
        }
        std::this_thread::sleep_for(retryEvery);
    }
}

} // namespace quillmarsh
