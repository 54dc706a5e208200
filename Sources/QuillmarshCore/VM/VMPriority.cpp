#include "VM/VMPriority.h"

namespace quillmarsh {

std::vector<std::int32_t> VMPriority::ours(const std::vector<Process>& processes, std::int32_t selfPid, const std::string& name) {
    std::vector<std::int32_t> out;
    for (const auto& process : processes)
        if (process.name == name && process.responsible > 0 && process.responsible == selfPid) out.push_back(process.pid);
    return out;
}

} // namespace quillmarsh
