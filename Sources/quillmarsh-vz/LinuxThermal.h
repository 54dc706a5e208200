#pragma once

#include "ThermalSensor.h"

#include <string>

namespace quillmarsh {

// The hottest thermal zone under root against its trip points: at or above an "active" trip 1 (fans run), a "passive" trip 2 (the kernel throttles), a "hot" or "critical" trip 3. No zone or no trip reached: 0.
class LinuxThermal final : public ThermalSensor {
public:
    explicit LinuxThermal(std::string root = "/") : root_(std::move(root)) {}
    std::int64_t thermalState() override;

private:
    std::string root_;
};

} // namespace quillmarsh
