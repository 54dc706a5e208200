#pragma once

#include "Virtualization/VirtualMachineConfiguration.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

// The macOS platform of a VM bundle: its hardware model, its "aux.img" and, unless `freshIdentity`,
// the machine identifier of "machine-id.bin". Throws the read error or ToolDomainError 10.
vz::VirtualMachineConfiguration::MacPlatform macPlatform(const std::string& bundle, bool freshIdentity);

// A macOS guest's devices: one 1920 x 1080 display at 80 ppi, a keyboard, a trackpad, one network
// device (over `netFD`, else NAT; `mac` when it parses, else a random address) and entropy.
void macDevices(vz::VirtualMachineConfiguration& configuration, const std::optional<std::string>& mac,
                std::optional<std::int32_t> netFD);

} // namespace quillmarsh
