#pragma once

#include <optional>
#include <string>

namespace vz {

// What this host offers a QEMU guest: which QEMU runs it, on which machine type, with or without
// KVM, and whether that QEMU can confine itself with its system-call filter.
struct QemuHost {
    // The program's name: "qemu-system-x86_64" or "qemu-system-aarch64".
    static std::string programName();
    // Where QEMU is looked for: next to the running tool first (a bundle may carry its own), then
    // in /usr/bin.
    static std::optional<std::string> findProgram();
    // KVM when the processor has the virtualisation extensions (vmx or svm on x86) and /dev/kvm
    // opens read-write; otherwise software emulation.
    static bool kvmUsable();
    // Whether the QEMU binary was built with its seccomp sandbox (it links libseccomp).
    static bool hasSandbox(const std::string& program);
    // The first line the console log gets, before the guest's: how this guest is run.
    static std::string consoleBanner(bool kvm);

    std::string program;
    // The executable's name as /proc shows it once it runs (a link resolved), for the priority step.
    std::string executableName;
    std::string machine;
    bool kvm = false;
    bool sandbox = false;

    // This host's QEMU, or none with the message for a host without one.
    static std::optional<QemuHost> detect(std::string& whyNot);
};

} // namespace vz
