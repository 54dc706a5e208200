#pragma once

#include <cstdint>

namespace quillmarsh {

// Whether the console session's screen is locked; false without a session.
class ScreenLockSensor {
public:
    virtual ~ScreenLockSensor() = default;
    virtual bool screenLocked() = 0;
};

} // namespace quillmarsh
