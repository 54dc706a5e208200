#include "Capabilities.h"

#include "LinuxHostFacts.h"
#include "ToolOutput.h"

namespace quillmarsh {

std::string_view Capabilities::rosettaWord(std::int64_t availability) {
    switch (availability) {
    case 0: return "not_supported";
    case 1: return "not_installed";
    case 2: return "installed";
    default: return "unknown";
    }
}

nlohmann::json Capabilities::line(const HostFacts& host) {
    // Asked in this order; the line is written sorted all the same.
    nlohmann::json line;
    line["helper"] = "quillmarsh-vz";
    line["guests"] = {"linux", "macos"};
    line["macos_guest_cap"] = 2;
    line["max_cpus"] = host.maximumAllowedCPUCount();
    line["max_memory_mib"] = host.maximumAllowedMemorySize() >> 20;
    line["rosetta"] = rosettaWord(host.rosettaAvailability());
    line["nice"] = true;
    line["net_fd"] = true;
    line["secret_on_demand"] = true;
    line["sensors"] = true;
    line["nested"] = host.nestedQueryAvailable() && host.isNestedVirtualizationSupported();
    return line;
}

void Capabilities::command() {
    emit(line(LinuxHostFacts()));
}

} // namespace quillmarsh
