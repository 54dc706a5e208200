#include "Sensors.h"

#include "LinuxCamera.h"
#include "LinuxLowPower.h"
#include "LinuxMicrophone.h"
#include "LinuxScreenLock.h"
#include "LinuxSMCService.h"
#include "LinuxThermal.h"
#include "ToolOutput.h"

namespace quillmarsh {

std::string_view Sensors::thermalWord(std::int64_t state) {
    switch (state) {
    case 0: return "nominal";
    case 1: return "fair";
    case 2: return "serious";
    case 3: return "critical";
    default: return "unknown";
    }
}

nlohmann::json Sensors::line(const Sources& sources) {
    nlohmann::json line;
    line["screen_locked"] = sources.screenLock.screenLocked();
    line["low_power"] = sources.lowPower.lowPowerMode();
    line["thermal"] = thermalWord(sources.thermal.thermalState());
    line["microphone_in_use"] = sources.microphone.microphoneInUse();
    line["camera_in_use"] = sources.camera.cameraInUse();
    if (const auto fans = SMC::readFanCount(sources.smc)) line["fans"] = *fans;
    return line;
}

void Sensors::command() {
    LinuxScreenLock screenLock;
    LinuxLowPower lowPower;
    LinuxThermal thermal;
    LinuxMicrophone microphone;
    LinuxCamera camera;
    LinuxSMCService smc;
    emit(line({screenLock, lowPower, thermal, microphone, camera, smc}));
}

} // namespace quillmarsh
