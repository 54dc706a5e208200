#include "Virtualization/VirtualMachineConfiguration.h"

#include "Foundation/FileIO.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"
#include "Virtualization/EFIFirmware.h"
#include "Virtualization/RandomBytes.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vz {

namespace {

using Config = VirtualMachineConfiguration;
using quillmarsh::FileIO;
using quillmarsh::UniqueFd;

DomainError invalid(const std::string& problem) {
    return DomainError("vz", 2, "Invalid virtual machine configuration. " + problem);
}

bool isReadableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DomainError fileError(const std::string& path, int err) {
    return DomainError("vz", 3, "The file \xe2\x80\x9c" + path + "\xe2\x80\x9d couldn\xe2\x80\x99t be opened: " + std::strerror(err) + ".");
}

} // namespace

Config::DiskImageAttachment::DiskImageAttachment(std::string p, bool ro, CachingMode c, SynchronizationMode s)
    : path(std::move(p)), readOnly(ro), caching(c), sync(s) {
    const UniqueFd disk(::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!disk) throw fileError(path, errno);
    struct stat st {};
    bool regular = ::fstat(disk.get(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode));
    if (!regular) throw DomainError("vz", 3, "The storage device attachment \xe2\x80\x9c" + path + "\xe2\x80\x9d is not a disk image.");
}

std::optional<Config::MACAddress> Config::MACAddress::parse(const std::string& text) {
    if (text.size() != 17) return std::nullopt;
    MACAddress mac;
    for (int i = 0; i < 6; ++i) {
        int hi = quillmarsh::Text::hexDigitValue(text[i * 3]), lo = quillmarsh::Text::hexDigitValue(text[i * 3 + 1]);
        if (hi < 0 || lo < 0 || (i < 5 && text[i * 3 + 2] != ':')) return std::nullopt;
        mac.bytes[i] = std::uint8_t(hi * 16 + lo);
    }
    // A network device's own address is unicast: the group bit of the first byte is clear.
    if (mac.bytes[0] & 0x01) return std::nullopt;
    return mac;
}

Config::MACAddress Config::MACAddress::randomLocallyAdministered() {
    MACAddress mac;
    std::string bytes = randomBytes(6);
    for (int i = 0; i < 6; ++i) mac.bytes[i] = std::uint8_t(bytes[i]);
    mac.bytes[0] = std::uint8_t((mac.bytes[0] & 0xfc) | 0x02);
    return mac;
}

std::string Config::MACAddress::text() const {
    char out[18];
    std::snprintf(out, sizeof out, "%02x:%02x:%02x:%02x:%02x:%02x", bytes[0], bytes[1], bytes[2], bytes[3], bytes[4], bytes[5]);
    return out;
}

Config::SerialPort Config::SerialPort::fileAttachment(const std::string& path) {
    const auto notAFile = [&] {
        return DomainError("vz", 3, "The serial port attachment \xe2\x80\x9c" + path + "\xe2\x80\x9d is not a regular file.");
    };
    // O_NONBLOCK: a FIFO without a reader (or a socket) fails at once with ENXIO instead of waiting.
    auto file = std::make_shared<UniqueFd>(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (!*file) throw errno == ENXIO ? notAFile() : fileError(path, errno);
    struct stat st {};
    if (::fstat(file->get(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) throw notAFile();
    // The console's writes may wait on a device like any file's; only the open had to be quick.
    ::fcntl(file->get(), F_SETFL, ::fcntl(file->get(), F_GETFL) & ~O_NONBLOCK);
    return SerialPort{path, std::move(file)};
}

Config::RosettaShare::Availability Config::RosettaShare::availability() {
#if defined(__aarch64__)
    return ::access("/proc/sys/fs/binfmt_misc/rosetta", F_OK) == 0 ? Availability::installed : Availability::notInstalled;
#else
    return Availability::notSupported;
#endif
}

Config::RosettaShare::RosettaShare() {
    if (availability() != Availability::installed)
        throw DomainError("vz", 4, "Rosetta is not available on this host.");
}

void Config::FileSystemDevice::validateTag(const std::string& tag) {
    if (tag.empty()) throw DomainError("vz", 5, "The tag of a virtio file system device must not be empty.");
    if (tag.size() > 36) throw DomainError("vz", 5, "The tag \xe2\x80\x9c" + tag + "\xe2\x80\x9d is longer than 36 bytes.");
}

bool Config::GenericPlatform::isNestedVirtualizationSupported() {
    // Nested guests need the host's own virtualisation extensions exposed to this VM layer.
    return false;
}

std::optional<Config::HardwareModel> Config::HardwareModel::fromData(const std::string& data) {
    if (data.empty() || data.size() > 4096 || data.find('\0') != std::string::npos) return std::nullopt;
    return HardwareModel{data};
}

bool Config::HardwareModel::isSupported() const { return true; }

Config::MachineIdentifier Config::MachineIdentifier::fresh() { return MachineIdentifier{randomBytes(16)}; }

std::optional<Config::MachineIdentifier> Config::MachineIdentifier::fromData(const std::string& data) {
    if (data.size() != 16) return std::nullopt;
    return MachineIdentifier{data};
}

Config::EFIVariableStore Config::EFIVariableStore::open(const std::string& path) {
    if (!isReadableFile(path)) throw fileError(path, errno ? errno : EINVAL);
    return EFIVariableStore{path};
}

Config::EFIVariableStore Config::EFIVariableStore::create(const std::string& path) {
    const auto firmware = EFIFirmware::installed();
    if (!firmware) throw DomainError("vz", 3, EFIFirmware::missingText());
    const auto variables = FileIO::readRegularFile(firmware->variablesTemplate, 64 << 20);
    if (!variables) throw fileError(firmware->variablesTemplate, errno ? errno : EIO);
    // A new store is the firmware's empty one, private to the user; an existing file (or a link)
    // at the path is never written over.
    UniqueFd store(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!store) throw fileError(path, errno);
    bool ok = FileIO::writeAll(store.get(), *variables) && ::fsync(store.get()) == 0;
    const int err = errno;
    ok = store.close() && ok;
    if (!ok) {
        ::unlink(path.c_str());
        throw fileError(path, err ? err : EIO);
    }
    return EFIVariableStore{path};
}

std::int64_t Config::minimumAllowedCPUCount() { return 1; }

std::int64_t Config::maximumAllowedCPUCount() {
    long n = ::sysconf(_SC_NPROCESSORS_ONLN);
    return n < 1 ? 1 : n;
}

std::uint64_t Config::minimumAllowedMemorySize() { return 128ull << 20; }

std::uint64_t Config::maximumAllowedMemorySize() {
    long pages = ::sysconf(_SC_PHYS_PAGES), size = ::sysconf(_SC_PAGESIZE);
    if (pages < 1 || size < 1) return 1ull << 30;
    return std::uint64_t(pages) * std::uint64_t(size);
}

void Config::validate() const {
    if (std::holds_alternative<std::monostate>(platform)) throw invalid("A platform must be set.");
    if (std::holds_alternative<std::monostate>(bootLoader)) throw invalid("A boot loader must be set.");
    bool mac = std::holds_alternative<MacPlatform>(platform);
    if (mac != std::holds_alternative<MacOSBootLoader>(bootLoader))
        throw invalid("The macOS boot loader needs the macOS platform, and the macOS platform needs it.");
    if (cpuCount < minimumAllowedCPUCount())
        throw invalid("The number of CPUs is below the minimum allowed (" + std::to_string(minimumAllowedCPUCount()) + ").");
    if (cpuCount > maximumAllowedCPUCount())
        throw invalid("The number of CPUs is above the maximum allowed (" + std::to_string(maximumAllowedCPUCount()) + ").");
    if (memorySize < minimumAllowedMemorySize())
        throw invalid("The memory size is below the minimum allowed (" + std::to_string(minimumAllowedMemorySize()) + " bytes).");
    if (memorySize > maximumAllowedMemorySize())
        throw invalid("The memory size is above the maximum allowed (" + std::to_string(maximumAllowedMemorySize()) + " bytes).");
    if (auto* linux = std::get_if<LinuxBootLoader>(&bootLoader)) {
        if (!isReadableFile(linux->kernel)) throw invalid("The kernel at \xe2\x80\x9c" + linux->kernel + "\xe2\x80\x9d cannot be read.");
        if (linux->initrd && !isReadableFile(*linux->initrd))
            throw invalid("The initial RAM disk at \xe2\x80\x9c" + *linux->initrd + "\xe2\x80\x9d cannot be read.");
    }
    if (auto* platformMac = std::get_if<MacPlatform>(&platform)) {
        if (!platformMac->hardwareModel) throw invalid("The macOS platform has no hardware model.");
        if (!isReadableFile(platformMac->auxiliaryStorage))
            throw invalid("The auxiliary storage at \xe2\x80\x9c" + platformMac->auxiliaryStorage + "\xe2\x80\x9d cannot be read.");
    }
    if (socketDevices.size() > 1) throw invalid("At most one virtio socket device is supported.");
    std::set<std::string> tags;
    for (const auto& device : directorySharingDevices) {
        if (!tags.insert(device.tag).second)
            throw invalid("The directory sharing tag \xe2\x80\x9c" + device.tag + "\xe2\x80\x9d is used more than once.");
        if (auto* dir = std::get_if<SingleDirectoryShare>(&device.share); dir && !isDirectory(dir->path))
            throw invalid("The shared directory \xe2\x80\x9c" + dir->path + "\xe2\x80\x9d does not exist.");
    }
    if (!mac && !graphicsDisplays.empty()) throw invalid("Graphics devices need the macOS platform.");
}

} // namespace vz
