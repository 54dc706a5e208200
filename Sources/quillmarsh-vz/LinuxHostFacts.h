#pragma once

#include "HostFacts.h"

namespace quillmarsh {

// This host's limits: the online CPUs and the physical memory. Linux guests get no Rosetta share
// and no nested virtualisation here.
class LinuxHostFacts final : public HostFacts {
public:
    std::int64_t maximumAllowedCPUCount() const override;
    std::uint64_t maximumAllowedMemorySize() const override;
    std::int64_t rosettaAvailability() const override { return 0; }
    bool nestedQueryAvailable() const override { return false; }
    bool isNestedVirtualizationSupported() const override { return false; }
};

} // namespace quillmarsh
