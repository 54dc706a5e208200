#pragma once

#include "EventLoop.h"
#include "VM/VMPriority.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillmarsh {

// The process responsible for `pid`: the system's lookup when it has one, else on Linux the parent
// process (the tool starts its VM service itself). -1 when unknown.
std::int32_t responsibleProcess(std::int32_t pid);
// Whether any responsible-process lookup exists on this host.
bool responsibleLookupAvailable();

// Every process whose executable's name is `name`, with its responsible process.
std::vector<VMPriority::Process> listProcesses(const std::string& name = VMPriority::serviceName);

// Raises the nice value of this run's own VM process (every thread of it), the one named `name`
// (the simulated service, or the run's QEMU), to `nice`, retrying every 500 ms while it has not
// appeared. Writes its "priority: " lines through `diagnose`.
void lowerGuestPriority(EventLoop& loop, std::int64_t nice, int attempts, std::function<void(const std::string&)> diagnose,
                        const std::string& name = VMPriority::serviceName);

} // namespace quillmarsh
