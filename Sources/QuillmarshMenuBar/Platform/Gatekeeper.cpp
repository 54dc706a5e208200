#include "Platform/Gatekeeper.h"

#include "Foundation/UniqueFd.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace quillmarsh {

namespace {

#if defined(__x86_64__)
constexpr int thisMachine = EM_X86_64;
constexpr const char* thisMachineName = "x86-64";
#elif defined(__aarch64__)
constexpr int thisMachine = EM_AARCH64;
constexpr const char* thisMachineName = "arm64";
#elif defined(__i386__)
constexpr int thisMachine = EM_386;
constexpr const char* thisMachineName = "x86";
#elif defined(__arm__)
constexpr int thisMachine = EM_ARM;
constexpr const char* thisMachineName = "arm";
#else
#error "unknown machine architecture"
#endif

constexpr unsigned char thisClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char thisData = ELFDATA2LSB;
#else
constexpr unsigned char thisData = ELFDATA2MSB;
#endif

} // namespace

std::optional<std::string> Gatekeeper::assess(const std::string& bundlePath) {
    const std::string name = "Contents/MacOS/Quillmarsh";
    const std::string path = bundlePath + "/" + name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return name + " is missing";
    if (!S_ISREG(info.st_mode))
        return name + " is not a regular file";
    if ((info.st_mode & 0111) == 0 || ::access(path.c_str(), X_OK) != 0)
        return name + " is not executable";
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return name + " cannot be read";
    unsigned char header[64] = {0};
    const ssize_t n = ::read(fd.get(), header, sizeof header);
    if (n < 20 || std::memcmp(header, ELFMAG, SELFMAG) != 0)
        return name + " is not an ELF program";
    if (header[EI_CLASS] != thisClass || header[EI_DATA] != thisData)
        return name + " is not built for " + thisMachineName;
    std::uint16_t type = 0;
    std::uint16_t machine = 0;
    std::memcpy(&type, header + 16, 2);  // e_type, then e_machine, in the file's (our) byte order
    std::memcpy(&machine, header + 18, 2);
    if (type != ET_EXEC && type != ET_DYN)
        return name + " is not an ELF program";
    if (machine != thisMachine)
        return name + " is not built for " + thisMachineName;
    return std::nullopt;
}

} // namespace quillmarsh
