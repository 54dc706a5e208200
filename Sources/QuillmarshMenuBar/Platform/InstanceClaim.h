#pragma once

#include "Foundation/UniqueFd.h"
#include "Platform/RuntimeFolder.h"

#include <chrono>
#include <string>

#include <sys/types.h>

namespace quillmarsh {

// The one step at a plain launch that decides whether this process becomes the running app for
// its user and agent, or hands over to the app that runs already. Both meet in the user's private
// runtime folder: a lock file that the running app holds (flock) for its whole life, so that two
// launches can never both win, and the reopen socket it listens on. A launch that finds the lock
// held connects to that socket and, once the kernel vouches (SO_PEERCRED) that the listener runs
// as the same user, writes "reopen" and waits for "ok". Plain system calls only: this runs at the
// start of main, before there is any GUI (a launch from a terminal without a display hands over
// all the same).
class InstanceClaim {
public:
    enum class Outcome {
        // This process holds the lock: it becomes the running app and listens at socketPath.
        running,
        // The running app acknowledged the reopen: this launch ends with status 0.
        handedOver,
        // No safe place to meet, or another user answers there: the app runs on its own, without
        // the lock and the socket. error says why.
        alone,
        // The lock is held, but the app holding it did not acknowledge in time. error says why.
        noAnswer,
    };

    // The name of the lock ("<base>.lock") and of the socket ("<base>.reopen") in the folder:
    // "quillmarsh-<uid>-" and 16 hexadecimal digits of the SHA-256 of the agent socket path, so
    // that one app runs per agent and names stay short.
    static std::string baseName(uid_t user, const std::string& agentSocketPath);

    // Takes the lock, or asks the app that holds it to reopen, waiting up to patience for an app
    // that is still starting to listen and answer. Blocks.
    static InstanceClaim claim(const RuntimeFolder& folder, uid_t user, const std::string& agentSocketPath,
                               std::chrono::milliseconds patience);

    Outcome outcome = Outcome::alone;
    std::string error;
    // With running: the lock, held until this descriptor closes (it is closed on exec, so nothing
    // the app starts keeps it), the socket to listen at, and the user allowed to talk to it.
    UniqueFd lock;
    std::string socketPath;
    uid_t user = 0;

private:
    // What one ask to reopen came to.
    enum class Answer {
        acknowledged,  // "ok"
        absent,        // nobody listens (yet): no socket, or none accepting
        otherUser,     // the listener runs as another user; nothing was written to it
        failed,        // connected, but no acknowledgement (why in the text given back)
    };

    // Connects to the socket at path, and asks its listener to reopen when it runs as user, waiting
    // for the acknowledgement until deadline. why is set for otherUser and failed.
    static Answer askToReopen(const std::string& path, uid_t user, std::chrono::steady_clock::time_point deadline,
                              std::string& why);
};

} // namespace quillmarsh
