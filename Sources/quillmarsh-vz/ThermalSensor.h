#pragma once

#include <cstdint>

namespace quillmarsh {

// The system's thermal state: 0 nominal, 1 fair, 2 serious, 3 critical.
class ThermalSensor {
public:
    virtual ~ThermalSensor() = default;
    virtual std::int64_t thermalState() = 0;
};

} // namespace quillmarsh
