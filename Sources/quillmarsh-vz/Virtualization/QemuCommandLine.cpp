#include "Virtualization/QemuCommandLine.h"

#include <variant>

namespace vz {

namespace {

using Config = VirtualMachineConfiguration;

const char* onOff(bool value) { return value ? "on" : "off"; }

// Collects the arguments and the descriptors QEMU inherits.
struct Builder {
    QemuInvocation invocation;
    int nextSet = 1;

    void add(std::initializer_list<std::string> words) {
        for (const auto& word : words) invocation.arguments.push_back(word);
    }
    // The child's number for `fd`.
    int pass(int fd) {
        invocation.passedFds.push_back(fd);
        return QemuInvocation::firstPassedFd + int(invocation.passedFds.size()) - 1;
    }
    // A file QEMU opens by path: "/proc/self/fd/N", naming `userPath` in messages.
    std::string procPath(int fd, const std::string& userPath) {
        std::string name = "/proc/self/fd/" + std::to_string(pass(fd));
        invocation.names.emplace_back(name, userPath);
        return name;
    }
    // A file QEMU opens through its own open (block devices, character devices): an fd set, so that
    // QEMU's flags (O_DIRECT, append) apply to the descriptor it is given.
    std::string fdSet(int fd, const std::string& userPath) {
        const int set = nextSet++;
        add({"-add-fd", "fd=" + std::to_string(pass(fd)) + ",set=" + std::to_string(set)});
        std::string name = "/dev/fdset/" + std::to_string(set);
        invocation.names.emplace_back(name, userPath);
        return name;
    }
    // A raw block node over a passed image: never probed, so an image that holds another format's
    // header (and a backing file name) is only ever its own bytes.
    void rawNode(const std::string& node, int fd, const std::string& userPath, bool readOnly, bool direct, bool noFlush) {
        const std::string options = std::string(",read-only=") + onOff(readOnly) + ",cache.direct=" + onOff(direct) +
                                    ",cache.no-flush=" + onOff(noFlush);
        const std::string path = fdSet(fd, userPath);
        add({"-blockdev", "driver=file,node-name=" + node + "-file,filename=" + path + options,
             "-blockdev", "driver=raw,node-name=" + node + ",file=" + node + "-file" + options});
    }
};

} // namespace

std::string QemuCommandLine::escaped(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        out += c;
        if (c == ',') out += ',';
    }
    return out;
}

std::string QemuInvocation::userMessage(const std::string& message) const {
    std::string out;
    std::size_t i = 0;
    while (i < message.size()) {
        bool replaced = false;
        for (const auto& [name, path] : names) {
            // A name counts only whole: "/dev/fdset/1" is not the start of "/dev/fdset/12".
            if (message.compare(i, name.size(), name) != 0) continue;
            const std::size_t end = i + name.size();
            if (end < message.size() && message[end] >= '0' && message[end] <= '9') continue;
            out += path;
            i = end;
            replaced = true;
            break;
        }
        if (!replaced) out += message[i++];
    }
    return out;
}

QemuInvocation QemuCommandLine::build(const Config& c, const QemuHost& host, const QemuFiles& files) {
    Builder b;
    b.add({host.program, "-nodefaults", "-no-user-config", "-nographic", "-S", "-no-reboot", "-msg", "timestamp=off"});
    if (host.sandbox) b.add({"-sandbox", "on,obsolete=deny,elevateprivileges=deny,spawn=deny,resourcecontrol=deny"});

    std::string machine = host.machine;
    const auto* efi = std::get_if<Config::EFIBootLoader>(&c.bootLoader);
    if (efi) {
        b.rawNode("firmware", files.firmwareCode, files.firmwareCodePath, true, false, false);
        b.rawNode("variables", files.firmwareVariables, efi->variableStore.path, false, false, false);
        machine += ",pflash0=firmware,pflash1=variables";
    }
    b.add({"-machine", machine, "-accel", host.kvm ? "kvm" : "tcg,thread=multi", "-cpu", host.kvm ? "host" : "max",
           "-smp", std::to_string(c.cpuCount), "-m", std::to_string(c.memorySize >> 20)});

    b.add({"-chardev", "socket,id=monitor,fd=" + std::to_string(b.pass(files.monitor)), "-mon", "chardev=monitor,mode=control"});

    if (const auto* linux = std::get_if<Config::LinuxBootLoader>(&c.bootLoader)) {
        b.add({"-kernel", b.procPath(files.kernel, linux->kernel)});
        if (linux->initrd) b.add({"-initrd", b.procPath(files.initrd, *linux->initrd)});
        b.add({"-append", linux->commandLine});
    }

    if (files.console >= 0 && !c.serialPorts.empty()) {
        const std::string path = b.fdSet(files.console, c.serialPorts.front().path);
        b.add({"-chardev", "file,id=console,append=on,path=" + path, "-device", "virtio-serial-pci,id=virtio-serial",
               "-device", "virtconsole,chardev=console,name=console"});
        // The firmware writes to a serial port, not to the virtio console: it goes to the same file.
        if (efi) b.add({"-chardev", "file,id=firmware-console,append=on,path=" + path, "-serial", "chardev:firmware-console"});
    }

    for (std::size_t i = 0; i < c.storageDevices.size() && i < files.disks.size(); ++i) {
        const auto& device = c.storageDevices[i];
        const std::string node = "disk" + std::to_string(i);
        b.rawNode(node, files.disks[i].fd, device.attachment.path, device.attachment.readOnly, files.disks[i].direct,
                  device.attachment.sync == Config::SynchronizationMode::none);
        if (device.kind == Config::StorageDevice::Kind::nvme) b.add({"-device", "nvme,serial=quillmarsh-" + node + ",drive=" + node});
        else b.add({"-device", "virtio-blk-pci,drive=" + node});
    }

    for (std::size_t i = 0; i < c.networkDevices.size() && i < 1; ++i) {
        const auto& network = c.networkDevices[i];
        if (std::holds_alternative<Config::FileHandleAttachment>(network.attachment) && files.network >= 0)
            b.add({"-netdev", "dgram,id=net0,local.type=fd,local.str=" + std::to_string(b.pass(files.network))});
        else
            b.add({"-netdev", "user,id=net0"});
        b.add({"-device", "virtio-net-pci,netdev=net0,mac=" + network.mac.text()});
    }
    if (c.entropyDevices > 0) b.add({"-device", "virtio-rng-pci"});
    if (c.memoryBalloonDevices > 0) b.add({"-device", "virtio-balloon-pci"});

    std::size_t share = 0;
    for (const auto& device : c.directorySharingDevices) {
        const auto* dir = std::get_if<Config::SingleDirectoryShare>(&device.share);
        if (!dir || share >= files.shares.size()) continue;
        const std::string id = "share" + std::to_string(share);
        b.add({"-fsdev", "local,id=" + id + ",security_model=none,readonly=" + onOff(dir->readOnly) + ",path=" +
                             b.procPath(files.shares[share], dir->path),
               "-device", "virtio-9p-pci,fsdev=" + id + ",mount_tag=" + QemuCommandLine::escaped(device.tag)});
        ++share;
    }
    return b.invocation;
}

} // namespace vz
