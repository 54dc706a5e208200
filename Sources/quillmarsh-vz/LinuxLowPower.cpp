#include "LinuxLowPower.h"

#include "SysfsText.h"

namespace quillmarsh {

bool LinuxLowPower::lowPowerMode() {
    return SysfsText::trimmed(root_ + "/sys/firmware/acpi/platform_profile") == "low-power";
}

} // namespace quillmarsh
