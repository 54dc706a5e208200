#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// The first-run window's readiness checks: whether this machine can run the agent's jobs, worked
// out on the machine itself without the agent. The rows are a pure function of the machine's
// facts; run(), isLaptop() and ghLogin() gather those facts from this machine (MachineProbe).
// Nothing fails outward: a fact that cannot be found gives a fixed fallback.
struct LocalChecks {
    // One row of the readiness list.
    struct Check {
        std::string title;
        std::string value;
        bool ok = false;

        friend bool operator==(const Check&, const Check&) = default;
    };

    // What the checks are made of.
    struct Facts {
        // The kernel's machine name (uname): "arm64", "aarch64", "x86_64", …
        std::string machine;
        // The processor's brand text or model name; empty when unknown.
        std::string cpuModel;
        // The processor's vendor id: "GenuineIntel", "AuthenticAMD", …; empty when unknown.
        std::string cpuVendor;
        // The system version file's ProductVersion; none where there is no such file (Linux).
        std::optional<std::string> macOSVersion;
        // Where there is no macOS version: the distribution's name and version ("Debian GNU/Linux 12").
        std::string distribution;
        // The short version of the first Xcode found; none when none is installed.
        std::optional<std::string> xcodeVersion;
        // What the user can write on the home folder's file system, in bytes; none when unknown.
        std::optional<std::uint64_t> freeBytes;
    };

    // One entry of the kernel's power supplies: its "type" and "scope" (empty when it has none).
    struct PowerSupply {
        std::string type;
        std::string scope;
    };

    // "Apple silicon", "macOS", "Xcode" and "Free space", in this order.
    static std::vector<Check> checks(const Facts& facts);
    // A battery that powers the system (not a peripheral's, whose scope is "Device").
    static bool isLaptop(const std::vector<PowerSupply>& supplies);

    // The same over this machine's facts.
    static std::vector<Check> run();
    static bool isLaptop();
    // The login the GitHub command-line tool is signed in with, from its hosts file.
    static std::optional<std::string> ghLogin();
};

} // namespace quillmarsh
