#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quillmarsh {

// Starts the shell line that reopens the app once this process is gone. The shell runs in a
// session of its own, so it outlives the app, with exactly the given environment.
class Relaunch {
public:
    // The environment of the relaunch: QM_PID, QM_APP, PATH=/usr/bin:/bin, and from the current
    // environment what a desktop session needs to show the app again (HOME, DISPLAY,
    // WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS) when set.
    static std::vector<std::string> environment(pid_t waitFor, const std::string& bundlePath);
    // Runs /bin/sh -c script. Throws std::runtime_error when the shell cannot be started.
    static void start(const std::string& script, const std::vector<std::string>& environment);
};

} // namespace quillmarsh
