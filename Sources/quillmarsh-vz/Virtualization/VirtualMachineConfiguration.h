#pragma once

#include "Foundation/UniqueFd.h"
#include "Virtualization/DomainError.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vz {

// Everything one VM is built from. Device constructors that touch files throw vz::DomainError the way the
// real thing would (a missing disk image, an unopenable console file); validate() checks the whole.
class VirtualMachineConfiguration {
public:
    enum class CachingMode { automatic, cached, uncached };
    enum class SynchronizationMode { full, none };

    struct DiskImageAttachment {
        // Throws when the image cannot be opened (missing, a folder, no permission) or is not a
        // regular file or a block device; the open never waits (a FIFO is refused at once).
        DiskImageAttachment(std::string path, bool readOnly, CachingMode caching, SynchronizationMode sync);
        std::string path;
        bool readOnly;
        CachingMode caching;
        SynchronizationMode sync;
    };
    struct StorageDevice {
        enum class Kind { virtioBlock, nvme };
        Kind kind;
        DiskImageAttachment attachment;
    };

    struct MACAddress {
        // Six two-digit hexadecimal groups joined by ":" that make a unicast address; none for
        // anything else (a multicast or broadcast address cannot be a device's own).
        static std::optional<MACAddress> parse(const std::string& text);
        // A random unicast, locally administered address.
        static MACAddress randomLocallyAdministered();
        std::uint8_t bytes[6]{};
        std::string text() const;
    };
    struct NATAttachment {};
    struct FileHandleAttachment {
        int fd; // not closed by the VM
    };
    struct NetworkDevice {
        std::variant<NATAttachment, FileHandleAttachment> attachment;
        MACAddress mac;
    };

    struct SerialPort {
        // Opens (replaces) the file that receives the guest's console, without waiting: a FIFO or
        // socket (or anything but a regular file or a character device such as /dev/null) is
        // refused. Throws when it cannot. The VM writes to this very file, whatever later happens
        // to its path.
        static SerialPort fileAttachment(const std::string& path);
        std::string path;
        std::shared_ptr<const quillmarsh::UniqueFd> file;
    };
    struct SocketDevice {};

    struct SingleDirectoryShare {
        std::string path;
        bool readOnly;
    };
    struct RosettaShare {
        enum class Availability { notSupported, notInstalled, installed };
        static Availability availability();
        // Throws unless Rosetta is installed.
        RosettaShare();
    };
    struct FileSystemDevice {
        // Throws for a tag that a virtio file-system device cannot carry (empty, over 36 bytes).
        static void validateTag(const std::string& tag);
        std::string tag;
        std::variant<SingleDirectoryShare, RosettaShare> share;
    };

    struct GenericPlatform {
        static bool isNestedVirtualizationSupported();
        std::string machineIdentifier; // random bytes, fresh per run
        bool nestedVirtualizationEnabled = false;
    };
    struct HardwareModel {
        // Built from the bytes of "hardware-model.bin"; none when they do not form a model.
        static std::optional<HardwareModel> fromData(const std::string& data);
        std::string data;
        bool isSupported() const;
    };
    struct MachineIdentifier {
        static MachineIdentifier fresh();
        static std::optional<MachineIdentifier> fromData(const std::string& data);
        std::string data;
    };
    struct MacPlatform {
        std::optional<HardwareModel> hardwareModel;
        std::string auxiliaryStorage; // path of "aux.img"; must exist
        std::optional<MachineIdentifier> machineIdentifier;
    };
    using Platform = std::variant<std::monostate, GenericPlatform, MacPlatform>;

    struct LinuxBootLoader {
        std::string kernel;
        std::optional<std::string> initrd;
        std::string commandLine;
    };
    struct EFIVariableStore {
        // Opens an existing store, or creates a new one at the path from the EFI firmware's template
        // (mode 0600, never over an existing file; throws when it cannot).
        static EFIVariableStore open(const std::string& path);
        static EFIVariableStore create(const std::string& path);
        std::string path;
    };
    struct EFIBootLoader {
        EFIVariableStore variableStore;
    };
    struct MacOSBootLoader {};
    using BootLoader = std::variant<std::monostate, LinuxBootLoader, EFIBootLoader, MacOSBootLoader>;

    struct MacGraphicsDisplay {
        int widthInPixels;
        int heightInPixels;
        int pixelsPerInch;
    };

    static std::int64_t minimumAllowedCPUCount();
    static std::int64_t maximumAllowedCPUCount();
    static std::uint64_t minimumAllowedMemorySize();
    static std::uint64_t maximumAllowedMemorySize();

    // Throws vz::DomainError with a description of the first problem found.
    void validate() const;

    std::int64_t cpuCount = 1;
    std::uint64_t memorySize = 0;
    Platform platform;
    BootLoader bootLoader;
    std::vector<StorageDevice> storageDevices;
    std::vector<NetworkDevice> networkDevices;
    int entropyDevices = 0;
    int memoryBalloonDevices = 0;
    std::vector<SerialPort> serialPorts;
    std::vector<SocketDevice> socketDevices;
    std::vector<FileSystemDevice> directorySharingDevices;
    std::vector<MacGraphicsDisplay> graphicsDisplays;
    int keyboards = 0;
    int pointingDevices = 0;
};

} // namespace vz
