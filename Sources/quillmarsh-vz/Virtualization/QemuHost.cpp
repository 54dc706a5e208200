#include "Virtualization/QemuHost.h"

#include "Foundation/UniqueFd.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vz {

namespace {

std::string toolFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    const std::string path(buffer, std::size_t(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Whether /proc/cpuinfo's flags name hardware virtualisation.
bool cpuHasVirtualization() {
#if defined(__x86_64__) || defined(__i386__)
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("flags", 0) != 0) continue;
        std::istringstream words(line.substr(line.find(':') == std::string::npos ? line.size() : line.find(':') + 1));
        std::string word;
        while (words >> word)
            if (word == "vmx" || word == "svm") return true;
        return false;
    }
    return false;
#else
    return true; // an arm host says it only through /dev/kvm
#endif
}

} // namespace

std::string QemuHost::programName() {
#if defined(__aarch64__)
    return "qemu-system-aarch64";
#else
    return "qemu-system-x86_64";
#endif
}

std::optional<std::string> QemuHost::findProgram() {
    for (const std::string& folder : {toolFolder(), std::string("/usr/bin")}) {
        const std::string path = folder + "/" + programName();
        if (isExecutableFile(path)) return path;
    }
    return std::nullopt;
}

bool QemuHost::kvmUsable() {
    if (!cpuHasVirtualization()) return false;
    const quillmarsh::UniqueFd kvm(::open("/dev/kvm", O_RDWR | O_CLOEXEC));
    return bool(kvm);
}

bool QemuHost::hasSandbox(const std::string& program) {
    const quillmarsh::UniqueFd file(::open(program.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0 || info.st_size <= 0) return false;
    void* map = ::mmap(nullptr, std::size_t(info.st_size), PROT_READ, MAP_PRIVATE, file.get(), 0);
    if (map == MAP_FAILED) return false;
    static constexpr char library[] = "libseccomp.so";
    const bool found = ::memmem(map, std::size_t(info.st_size), library, sizeof library - 1) != nullptr;
    ::munmap(map, std::size_t(info.st_size));
    return found;
}

std::string QemuHost::consoleBanner(bool kvm) {
    return "quillmarsh-vz: this guest runs in " + programName() +
           (kvm ? " with KVM\n" : " with software emulation (TCG): this host offers no usable KVM\n");
}

std::optional<QemuHost> QemuHost::detect(std::string& whyNot) {
    auto program = findProgram();
    if (!program) {
        whyNot = programName() + " not found next to quillmarsh-vz or in /usr/bin; install the " +
#if defined(__aarch64__)
                 std::string("qemu-system-arm") +
#else
                 std::string("qemu-system-x86") +
#endif
                 " package.";
        return std::nullopt;
    }
    QemuHost host;
    host.program = *program;
    char resolved[PATH_MAX];
    std::string real = ::realpath(program->c_str(), resolved) ? std::string(resolved) : *program;
    host.executableName = real.substr(real.rfind('/') + 1);
#if defined(__aarch64__)
    host.machine = "virt";
#else
    host.machine = "q35";
#endif
    host.kvm = kvmUsable();
    host.sandbox = hasSandbox(real);
    return host;
}

} // namespace vz
