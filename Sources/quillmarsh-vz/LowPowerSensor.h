#pragma once

#include <cstdint>

namespace quillmarsh {

// Whether the system runs in its low-power mode.
class LowPowerSensor {
public:
    virtual ~LowPowerSensor() = default;
    virtual bool lowPowerMode() = 0;
};

} // namespace quillmarsh
