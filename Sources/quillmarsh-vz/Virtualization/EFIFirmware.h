#pragma once

#include <optional>
#include <string>

namespace vz {

// The EFI firmware a Linux guest without a kernel boots: the firmware's code image, which the VM
// maps read-only, and the template of its variable store, which a new store starts as a copy of.
struct EFIFirmware {
    std::string code;
    std::string variablesTemplate;

    // The installed firmware for this host's architecture (Debian's ovmf on x86_64, qemu-efi-aarch64
    // on aarch64), or none when it is not installed.
    static std::optional<EFIFirmware> installed();
    // The message for a host without it.
    static std::string missingText();
};

} // namespace vz
