#include "LinuxThermal.h"

#include "SysfsText.h"

#include <algorithm>
#include <filesystem>

namespace quillmarsh {
namespace {

std::int64_t levelOfTrip(const std::string& type) {
    if (type == "active") return 1;
    if (type == "passive") return 2;
    if (type == "hot" || type == "critical") return 3;
    return 0;
}

} // namespace

std::int64_t LinuxThermal::thermalState() {
    namespace fs = std::filesystem;
    std::error_code error;
    std::int64_t state = 0;
    for (fs::directory_iterator zones(root_ + "/sys/class/thermal", error), end; !error && zones != end;
         zones.increment(error)) {
        const std::string name = zones->path().filename().string();
        if (name.rfind("thermal_zone", 0) != 0) continue;
        const std::string zone = zones->path().string();
        const auto temperature = SysfsText::integer(zone + "/temp");
        if (!temperature) continue;
        for (int trip = 0;; ++trip) {
            const std::string prefix = zone + "/trip_point_" + std::to_string(trip);
            const auto tripTemperature = SysfsText::integer(prefix + "_temp");
            if (!tripTemperature) break;
            // Drivers report unset trips as 0 or below.
            if (*tripTemperature <= 0 || *temperature < *tripTemperature) continue;
            state = std::max(state, levelOfTrip(SysfsText::trimmed(prefix + "_type").value_or("")));
        }
    }
    return state;
}

} // namespace quillmarsh
