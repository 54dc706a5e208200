#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillmarsh {

// Which VM service processes belong to this run, for lowering the guest's priority.
class VMPriority {
public:
    // The executable name of the process a guest runs in.
    static constexpr const char* serviceName = "quillmarsh-vz-service";

    struct Process {
        std::int32_t pid = 0;
        std::string name;            // last path component of the executable
        std::int32_t responsible = 0; // the process responsible for it
        bool operator==(const Process&) const = default;
    };

    // The pids, in list order, of the service processes this tool itself is responsible for: named
    // exactly `name` (the simulated service's serviceName, or the QEMU that runs a real guest), with
    // a responsible process above 0 that is the tool. A service that is merely responsible to the
    // same process as the tool (the agent that starts every run) belongs to a sibling run and is
    // never taken.
    static std::vector<std::int32_t> ours(const std::vector<Process>& processes, std::int32_t selfPid,
                                          const std::string& name = serviceName);
};

} // namespace quillmarsh
