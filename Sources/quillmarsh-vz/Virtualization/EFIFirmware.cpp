#include "Virtualization/EFIFirmware.h"

#include <unistd.h>

namespace vz {

namespace {

// Code and variables come in pairs of the same flash size: a store made from one pair's template
// does not fit the other's code image.
#if defined(__aarch64__)
const EFIFirmware candidates[] = {
    {"/usr/share/AAVMF/AAVMF_CODE.fd", "/usr/share/AAVMF/AAVMF_VARS.fd"},
};
#else
const EFIFirmware candidates[] = {
    {"/usr/share/OVMF/OVMF_CODE_4M.fd", "/usr/share/OVMF/OVMF_VARS_4M.fd"},
    {"/usr/share/OVMF/OVMF_CODE.fd", "/usr/share/OVMF/OVMF_VARS.fd"},
};
#endif

} // namespace

std::optional<EFIFirmware> EFIFirmware::installed() {
    for (const auto& candidate : candidates)
        if (::access(candidate.code.c_str(), R_OK) == 0 && ::access(candidate.variablesTemplate.c_str(), R_OK) == 0) return candidate;
    return std::nullopt;
}

std::string EFIFirmware::missingText() {
    return "No EFI firmware is installed (looked for " + candidates[0].code + "); install the " +
#if defined(__aarch64__)
           std::string("qemu-efi-aarch64") +
#else
           std::string("ovmf") +
#endif
           " package.";
}

} // namespace vz
