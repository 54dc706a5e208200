#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quillmarsh::test {

// A small real Linux guest for the tests that boot one in QEMU: the host's newest installed kernel
// (/boot/vmlinuz-*) and an initramfs of /bin/busybox and that kernel's virtio, 9p, button, evdev,
// NVMe and vsock modules, written here as an uncompressed newc cpio.
//
// The guest's /init loads the modules, mounts /proc, /sys and /dev, sends its output to the
// virtio console (/dev/hvc0) when there is one, says "guest: up", then runs the shell snippet
// handed to it on the kernel command line (commandLine()) and powers off ("guest: powering off",
// then `poweroff -f`). A snippet can call:
//   share TAG              mounts the 9p share TAG at /mnt/TAG
//   power_button poweroff  on the first ACPI power-button event: "guest: power button, powering
//                          off", then `poweroff -f` (the snippet can wait meanwhile, `sleep 600`)
//   power_button ignore    says so; nothing acts on the button (also what happens by default)
class TestGuest {
public:
    std::filesystem::path kernel;
    std::filesystem::path initramfs;

    // Why no real guest can run on this host (no QEMU, no kernel or its modules, no busybox), for
    // GTEST_SKIP(); none when one can.
    static std::optional<std::string> whyUnavailable();

    // The guest, its initramfs built once into the build tree's cache folder and reused from then
    // on by every test process (built under a lock into a temporary name, renamed into place).
    // Throws std::runtime_error when it cannot be built.
    static TestGuest shared();

    // Builds the initramfs at path (written to a temporary name beside it, renamed into place);
    // returns the guest with it. Throws std::runtime_error when it cannot.
    static TestGuest buildAt(const std::filesystem::path& path);

    // The kernel command line that runs snippet in the guest: the console on hvc0, a panic ending
    // the VM, and the snippet base64-encoded as `qmsh=` (the kernel hands parameters without a dot
    // to /init as environment variables). Throws std::length_error past the kernel's 2048 bytes.
    static std::string commandLine(const std::string& snippet);
};

} // namespace quillmarsh::test
