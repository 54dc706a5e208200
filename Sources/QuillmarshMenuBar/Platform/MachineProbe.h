#pragma once

#include "FirstRun/LocalChecks.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// Gathers the readiness checks' facts from a Linux machine: the processor from uname and
// /proc/cpuinfo, the system from the macOS version file or /etc/os-release, Xcode bundles under
// /Applications, the free space on the home folder, the power supplies under
// /sys/class/power_supply and the GitHub command-line tool's hosts file. Every place is relative
// to injectable roots, so tests run it against fixture folders. Files are read only when they are
// regular files of at most maxFileBytes: a FIFO or a huge file gives nothing, never a hang.
class MachineProbe {
public:
    static constexpr std::size_t maxFileBytes = 1024 * 1024;

    struct Places {
        // Put before every system path ("/proc", "/sys", "/etc", "/usr/lib", "/System",
        // "/Applications"); empty for the machine's own.
        std::string root;
        // The user's home folder.
        std::string home;
        // The kernel's machine name.
        std::string machine;
        // The environment variables the probe reads (GH_CONFIG_DIR, XDG_CONFIG_HOME).
        std::map<std::string, std::string> environment;

        // This machine's: no root, $HOME (else the password database), uname and the process
        // environment.
        static Places system();
    };

    explicit MachineProbe(Places places);

    LocalChecks::Facts facts() const;
    std::vector<LocalChecks::PowerSupply> powerSupplies() const;
    std::optional<std::string> ghLogin() const;

    // The GitHub command-line tool's configuration folder: GH_CONFIG_DIR when set and not empty,
    // else XDG_CONFIG_HOME + "/gh" when set and not empty, else home + "/.config/gh".
    static std::string ghConfigFolder(const std::map<std::string, std::string>& environment, const std::string& home);

private:
    Places places_;
};

} // namespace quillmarsh
