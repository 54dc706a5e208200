#include "MacGuestConfiguration.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "ToolDomainError.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>

namespace quillmarsh {

namespace {

// A bundle file's bytes. One that is not a regular file (a FIFO, a link to /dev/zero: the open
// never waits) or is longer than any hardware model or machine identifier reads as empty: the
// caller refuses it as it does any unusable content. One that cannot be opened or read throws.
std::string readFile(const std::string& path) {
    if (auto bytes = FileIO::readRegularFile(path, 64 * 1024)) return *bytes;
    const int err = errno;
    if (err == EINVAL || err == EFBIG) return std::string();
    throw vz::DomainError("vz", 3, "The file \xe2\x80\x9c" + path + "\xe2\x80\x9d couldn\xe2\x80\x99t be opened: " + std::strerror(err) + ".");
}

} // namespace

vz::VirtualMachineConfiguration::MacPlatform macPlatform(const std::string& bundle, bool freshIdentity) {
    using Config = vz::VirtualMachineConfiguration;
    Config::MacPlatform platform;
    auto model = Config::HardwareModel::fromData(readFile(bundle + "/hardware-model.bin"));
    if (!model || !model->isSupported()) throw ToolDomainError::hardwareModel(bundle);
    platform.hardwareModel = *model;
    platform.auxiliaryStorage = bundle + "/aux.img";
    if (freshIdentity) platform.machineIdentifier = Config::MachineIdentifier::fresh();
    else platform.machineIdentifier = Config::MachineIdentifier::fromData(readFile(bundle + "/machine-id.bin"));
    return platform;
}

void macDevices(vz::VirtualMachineConfiguration& c, const std::optional<std::string>& mac, std::optional<std::int32_t> netFD) {
    using Config = vz::VirtualMachineConfiguration;
    c.graphicsDisplays = {Config::MacGraphicsDisplay{1920, 1080, 80}};
    c.keyboards = 1;
    c.pointingDevices = 1;
    Config::NetworkDevice network{Config::NATAttachment{}, Config::MACAddress::randomLocallyAdministered()};
    if (netFD) network.attachment = Config::FileHandleAttachment{*netFD};
    if (mac) {
        if (auto parsed = Config::MACAddress::parse(*mac)) network.mac = *parsed;
    }
    c.networkDevices = {network};
    c.entropyDevices = 1;
}

} // namespace quillmarsh
