#pragma once

#include "Virtualization/QemuHost.h"
#include "Virtualization/VirtualMachineConfiguration.h"

#include <string>
#include <utility>
#include <vector>

namespace vz {

// The files a QEMU guest is given, each already open in the tool: QEMU gets descriptors, never a
// path the user wrote, so no path can be misread as an option (a comma, an "=") and a non-UTF-8
// path works like any other. Unused ones stay -1.
struct QemuFiles {
    struct Disk {
        int fd = -1;
        bool direct = false; // uncached: bypass the host's page cache (O_DIRECT)
    };
    int monitor = -1; // the tool's QMP peer: a connected stream socket
    int console = -1;
    int kernel = -1;
    int initrd = -1;
    std::vector<Disk> disks;   // in the configuration's order
    std::vector<int> shares;   // directory descriptors, in the order of the directory shares
    int firmwareCode = -1;
    std::string firmwareCodePath;
    int firmwareVariables = -1;
    int network = -1; // --net-fd: a datagram socket of raw Ethernet frames, which stays the agent's
};

// QEMU's argument list for one configuration.
struct QemuInvocation {
    // The child's descriptors from this one on are the passed files, in order.
    static constexpr int firstPassedFd = 3;

    std::vector<std::string> arguments; // the program first
    std::vector<int> passedFds;         // the tool's descriptors; the child has passedFds[i] as firstPassedFd + i
    // How QEMU names a passed file ("/proc/self/fd/5", "/dev/fdset/2") and the path it stands for,
    // so that QEMU's messages can name the user's file.
    std::vector<std::pair<std::string, std::string>> names;

    // QEMU's message with its names of passed files replaced by the paths they stand for.
    std::string userMessage(const std::string& message) const;
};

class QemuCommandLine {
public:
    static QemuInvocation build(const VirtualMachineConfiguration& configuration, const QemuHost& host, const QemuFiles& files);
    // A value inside a QEMU option list ("a,b" is one value only as "a,,b").
    static std::string escaped(const std::string& value);
};

} // namespace vz
