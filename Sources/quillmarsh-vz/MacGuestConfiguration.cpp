#include "MacGuestConfiguration.h"

#include "ToolDomainError.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace quillmarsh {

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        int err = errno;
        throw vz::DomainError("vz", 3, "The file \xe2\x80\x9c" + path + "\xe2\x80\x9d couldn\xe2\x80\x99t be opened: " + std::strerror(err) + ".");
    }
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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
