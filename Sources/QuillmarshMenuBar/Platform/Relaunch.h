#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quillmarsh {

// Starts the shell line that reopens the app once this process is gone. The shell runs in a
// session of its own, so it outlives the app, with exactly the given environment.
class Relaunch {
public:
    // The environment of the relaunch: QM_PID and QM_APP for the shell line, then everything the
    // app was started with ("NAME=value" entries of inherited, in their order) but an older QM_PID
    // or QM_APP. The new version thus starts as this one did: on the same display with its
    // XAUTHORITY cookie, with the same QUILLMARSH_HOME, downloads server, XDG folders and locale.
    static std::vector<std::string> environment(pid_t waitFor, const std::string& bundlePath,
                                                const std::vector<std::string>& inherited);
    // The same with this process's environment (the app never changes its own).
    static std::vector<std::string> environment(pid_t waitFor, const std::string& bundlePath);
    // Runs /bin/sh -c script. Throws std::runtime_error when the shell cannot be started.
    static void start(const std::string& script, const std::vector<std::string>& environment);
};

} // namespace quillmarsh
