#pragma once

#include "ScreenLockSensor.h"

#include <string>

namespace quillmarsh {

// The screen lock of seat0's active session: logind's seat state names the session, and
// `loginctl show-session ID -p LockedHint` tells whether it is locked. No seat, no active session
// or no answer: not locked. Everything is looked up under root ("/" on a real host).
class LinuxScreenLock final : public ScreenLockSensor {
public:
    explicit LinuxScreenLock(std::string root = "/", int timeoutMs = 2000)
        : root_(std::move(root)), timeoutMs_(timeoutMs) {}
    bool screenLocked() override;

private:
    std::string root_;
    int timeoutMs_;
};

} // namespace quillmarsh
