#pragma once

#include "LowPowerSensor.h"

#include <string>

namespace quillmarsh {

// Low-power mode: the ACPI platform profile under root is "low-power".
class LinuxLowPower final : public LowPowerSensor {
public:
    explicit LinuxLowPower(std::string root = "/") : root_(std::move(root)) {}
    bool lowPowerMode() override;

private:
    std::string root_;
};

} // namespace quillmarsh
