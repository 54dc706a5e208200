#pragma once

#include <string>

#include <sys/types.h>

namespace vz {

// What the two kinds of VM process (the simulated service, QEMU) share: they are children of the
// tool in a process group of their own, die with it, and are found next to it or installed.
struct VMChildProcess {
    // The folder of the running tool's executable.
    static std::string toolFolder();
    // In the child between fork and exec (async-signal-safe calls only): the signal mask and the
    // dispositions the tool changed go back to the defaults, the child leads a process group of
    // its own and is killed when the tool dies. Returns false when the tool has already died
    // (`parent` is the tool's pid before fork); the child then exits.
    static bool enter(pid_t parent);
    // Kills the child's whole group and reaps it within a moment; one stuck in the kernel (a hung
    // file system) is left to be reaped after the tool, rather than holding the tool up.
    static void killAndReap(pid_t pid);
};

} // namespace vz
