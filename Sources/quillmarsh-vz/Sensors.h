#pragma once

#include "CameraSensor.h"
#include "LowPowerSensor.h"
#include "MicrophoneSensor.h"
#include "ScreenLockSensor.h"
#include "ThermalSensor.h"
#include "VM/SMC.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string_view>

namespace quillmarsh {

// `quillmarsh-vz sensors`: this host's readings as one line. Nothing here fails: a sensor that
// does not answer reads as false, "unknown" or (fans) an absent key.
namespace Sensors {

struct Sources {
    ScreenLockSensor& screenLock;
    LowPowerSensor& lowPower;
    ThermalSensor& thermal;
    MicrophoneSensor& microphone;
    CameraSensor& camera;
    SMC::Service& smc;
};

// "nominal", "fair", "serious", "critical" for 0 to 3, else "unknown".
std::string_view thermalWord(std::int64_t state);

// Reads screen lock, low power, thermal state, microphone, camera, then the fan count.
nlohmann::json line(const Sources& sources);

// Writes the line for this host.
void command();

} // namespace Sensors

} // namespace quillmarsh
