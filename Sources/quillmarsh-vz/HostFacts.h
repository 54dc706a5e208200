#pragma once

#include <cstdint>

namespace quillmarsh {

// What the host allows one VM, as the capabilities report asks it.
class HostFacts {
public:
    virtual ~HostFacts() = default;
    virtual std::int64_t maximumAllowedCPUCount() const = 0;
    virtual std::uint64_t maximumAllowedMemorySize() const = 0;  // bytes
    // 0 not supported, 1 not installed, 2 installed.
    virtual std::int64_t rosettaAvailability() const = 0;
    // Whether the system is new enough to be asked about nested virtualisation at all.
    virtual bool nestedQueryAvailable() const = 0;
    virtual bool isNestedVirtualizationSupported() const = 0;
};

} // namespace quillmarsh
