// How a configuration becomes QEMU's command line, and the small parts of the QEMU VM that need no
// QEMU: its monitor's message framing, which guests it runs, MAC addresses and new EFI stores.

#include "Foundation/FileIO.h"
#include "Support/TempFolder.h"
#include "Virtualization/EFIFirmware.h"
#include "Virtualization/QemuCommandLine.h"
#include "Virtualization/QemuVirtualMachine.h"
#include "Virtualization/QmpChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

namespace {

using Config = vz::VirtualMachineConfiguration;
using quillmarsh::FileIO;
using quillmarsh::test::TempFolder;

bool has(const std::vector<std::string>& args, const std::string& option, const std::string& value) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option && args[i + 1] == value) return true;
    return false;
}

std::vector<std::string> valuesOf(const std::vector<std::string>& args, const std::string& option) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option) out.push_back(args[i + 1]);
    return out;
}

// The descriptor QEMU is given as child number `childFd`.
int passedAs(const vz::QemuInvocation& invocation, int childFd) {
    const auto index = std::size_t(childFd - vz::QemuInvocation::firstPassedFd);
    return index < invocation.passedFds.size() ? invocation.passedFds[index] : -1;
}

vz::QemuHost host(bool kvm = false, bool sandbox = true) {
    vz::QemuHost h;
    h.program = "/usr/bin/qemu-system-x86_64";
    h.executableName = "qemu-system-x86_64";
    h.machine = "q35";
    h.kvm = kvm;
    h.sandbox = sandbox;
    return h;
}

struct Guest {
    TempFolder dir{"qm-qemu-line"};
    Config c;
    vz::QemuFiles files;
    // Paths with a comma, an "=" and a byte that is not UTF-8: none of them may reach QEMU's options.
    std::string odd = "a,b=c\xff";

    Guest() {
        c.platform = Config::GenericPlatform{};
        c.cpuCount = 2;
        c.memorySize = 512ull << 20;
        const auto kernel = dir.write(odd + "kernel", "k");
        c.bootLoader = Config::LinuxBootLoader{kernel.string(), dir.write(odd + "initrd", "i").string(), "console=hvc0 x=y,z"};
        files.monitor = 40;
        files.kernel = 41;
        files.initrd = 42;
    }
    void addDisk(bool readOnly, Config::SynchronizationMode sync, Config::StorageDevice::Kind kind, int fd, bool direct) {
        const auto path = dir.write(odd + "disk" + std::to_string(c.storageDevices.size()), "d");
        c.storageDevices.push_back({kind, Config::DiskImageAttachment(path.string(), readOnly, Config::CachingMode::uncached, sync)});
        files.disks.push_back({fd, direct});
    }
    vz::QemuInvocation build(const vz::QemuHost& h = host()) const { return vz::QemuCommandLine::build(c, h, files); }
};

TEST(QemuCommandLine, DisksAreRawImagesWithTheirOwnModes) {
    Guest g;
    g.addDisk(false, Config::SynchronizationMode::none, Config::StorageDevice::Kind::nvme, 50, true);
    g.addDisk(true, Config::SynchronizationMode::full, Config::StorageDevice::Kind::virtioBlock, 51, false);
    const auto inv = g.build();
    const auto& args = inv.arguments;
    // Only explicit nodes, never a -drive or -hda that would probe the image's format.
    for (const auto& arg : args) EXPECT_TRUE(arg != "-drive" && arg.rfind("-hd", 0) != 0) << arg;
    const auto nodes = valuesOf(args, "-blockdev");
    ASSERT_EQ(nodes.size(), 4u);
    EXPECT_EQ(nodes[0], "driver=file,node-name=disk0-file,filename=/dev/fdset/1,read-only=off,cache.direct=on,cache.no-flush=on");
    EXPECT_EQ(nodes[1], "driver=raw,node-name=disk0,file=disk0-file,read-only=off,cache.direct=on,cache.no-flush=on");
    EXPECT_EQ(nodes[2], "driver=file,node-name=disk1-file,filename=/dev/fdset/2,read-only=on,cache.direct=off,cache.no-flush=off");
    EXPECT_EQ(nodes[3], "driver=raw,node-name=disk1,file=disk1-file,read-only=on,cache.direct=off,cache.no-flush=off");
    EXPECT_TRUE(has(args, "-device", "nvme,serial=quillmarsh-disk0,drive=disk0"));
    EXPECT_TRUE(has(args, "-device", "virtio-blk-pci,drive=disk1"));
    // Each fd set holds the disk's own descriptor.
    const auto sets = valuesOf(args, "-add-fd");
    ASSERT_EQ(sets.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const int child = std::stoi(sets[i].substr(3));
        EXPECT_EQ(sets[i], "fd=" + std::to_string(child) + ",set=" + std::to_string(i + 1));
        EXPECT_EQ(passedAs(inv, child), 50 + int(i));
    }
}

TEST(QemuCommandLine, NoPathOfTheUsersReachesQemuAndItsMessagesNameThem) {
    Guest g;
    g.addDisk(false, Config::SynchronizationMode::full, Config::StorageDevice::Kind::virtioBlock, 50, false);
    g.c.directorySharingDevices.push_back({"work", Config::SingleDirectoryShare{g.dir.string(), false}});
    g.files.shares = {60};
    const auto inv = g.build();
    for (const auto& arg : inv.arguments) {
        EXPECT_EQ(arg.find(g.dir.string()), std::string::npos) << arg;
        EXPECT_EQ(arg.find('\xff'), std::string::npos) << arg;
    }
    EXPECT_TRUE(has(inv.arguments, "-append", "console=hvc0 x=y,z")); // the kernel's own command line, unchanged
    const std::string kernel = std::get<Config::LinuxBootLoader>(g.c.bootLoader).kernel;
    const auto kernelArg = valuesOf(inv.arguments, "-kernel");
    ASSERT_EQ(kernelArg.size(), 1u);
    EXPECT_EQ(passedAs(inv, std::stoi(kernelArg[0].substr(std::string("/proc/self/fd/").size()))), 41);
    EXPECT_EQ(inv.userMessage("qemu-system-x86_64: " + kernelArg[0] + ": bad"), "qemu-system-x86_64: " + kernel + ": bad");
    const std::string disk = g.c.storageDevices[0].attachment.path;
    EXPECT_EQ(inv.userMessage("Could not open '/dev/fdset/1': Permission denied"), "Could not open '" + disk + "': Permission denied");
    EXPECT_EQ(inv.userMessage("/dev/fdset/12 and /proc/self/fd/99"), "/dev/fdset/12 and /proc/self/fd/99");
}

TEST(QemuCommandLine, GuestDevicesAndTheMonitor) {
    struct Case {
        const char* name;
        bool fileHandle;
        bool kvm;
        bool sandbox;
    };
    for (const auto& k : {Case{"NAT, software emulation", false, false, true}, Case{"a datagram socket, KVM", true, true, false}}) {
        SCOPED_TRACE(k.name);
        Guest g;
        auto mac = *Config::MACAddress::parse("02:00:5e:10:20:30");
        g.c.networkDevices.push_back(
            {k.fileHandle ? std::variant<Config::NATAttachment, Config::FileHandleAttachment>(Config::FileHandleAttachment{7})
                          : Config::NATAttachment{},
             mac});
        g.files.network = k.fileHandle ? 7 : -1;
        g.c.entropyDevices = 1;
        g.c.memoryBalloonDevices = 1;
        g.c.directorySharingDevices.push_back({"a,b", Config::SingleDirectoryShare{g.dir.string(), true}});
        g.files.shares = {60};
        const auto inv = g.build(host(k.kvm, k.sandbox));
        const auto& args = inv.arguments;
        for (const char* flag : {"-nodefaults", "-no-user-config", "-nographic", "-S", "-no-reboot"})
            EXPECT_NE(std::find(args.begin(), args.end(), flag), args.end()) << flag;
        EXPECT_EQ(std::find(args.begin(), args.end(), "-sandbox") != args.end(), k.sandbox);
        EXPECT_TRUE(has(args, "-accel", k.kvm ? "kvm" : "tcg,thread=multi"));
        EXPECT_TRUE(has(args, "-smp", "2"));
        EXPECT_TRUE(has(args, "-m", "512"));
        const auto monitor = valuesOf(args, "-chardev").front();
        EXPECT_EQ(passedAs(inv, std::stoi(monitor.substr(monitor.rfind('=') + 1))), 40);
        EXPECT_TRUE(has(args, "-mon", "chardev=monitor,mode=control"));
        const auto netdev = valuesOf(args, "-netdev");
        ASSERT_EQ(netdev.size(), 1u);
        if (k.fileHandle) EXPECT_EQ(passedAs(inv, std::stoi(netdev[0].substr(netdev[0].rfind('=') + 1))), 7) << netdev[0];
        else EXPECT_EQ(netdev[0], "user,id=net0");
        EXPECT_TRUE(has(args, "-device", "virtio-net-pci,netdev=net0,mac=02:00:5e:10:20:30"));
        EXPECT_TRUE(has(args, "-device", "virtio-rng-pci"));
        EXPECT_TRUE(has(args, "-device", "virtio-balloon-pci"));
        EXPECT_TRUE(has(args, "-device", "virtio-9p-pci,fsdev=share0,mount_tag=a,,b"));
        const auto fsdev = valuesOf(args, "-fsdev");
        ASSERT_EQ(fsdev.size(), 1u);
        EXPECT_NE(fsdev[0].find(",readonly=on,"), std::string::npos);
    }
}

TEST(QemuCommandLine, EfiGuestBootsFromReadOnlyFirmwareAndWritesToItsStore) {
    Guest g;
    const auto store = g.dir.write("vars", "v");
    g.c.bootLoader = Config::EFIBootLoader{Config::EFIVariableStore{store.string()}};
    g.c.serialPorts.push_back(Config::SerialPort::fileAttachment((g.dir / "console.log").string()));
    g.files.firmwareCode = 70;
    g.files.firmwareCodePath = "/usr/share/OVMF/OVMF_CODE_4M.fd";
    g.files.firmwareVariables = 71;
    g.files.console = 72;
    const auto args = g.build().arguments;
    EXPECT_TRUE(has(args, "-machine", "q35,pflash0=firmware,pflash1=variables"));
    const auto nodes = valuesOf(args, "-blockdev");
    ASSERT_GE(nodes.size(), 4u);
    EXPECT_NE(nodes[1].find("driver=raw,node-name=firmware,file=firmware-file,read-only=on"), std::string::npos);
    EXPECT_NE(nodes[3].find("driver=raw,node-name=variables,file=variables-file,read-only=off"), std::string::npos);
    EXPECT_TRUE(valuesOf(args, "-kernel").empty());
    // The guest's virtio console and the firmware's serial port both write to the console log.
    EXPECT_TRUE(has(args, "-device", "virtconsole,chardev=console,name=console"));
    EXPECT_TRUE(has(args, "-serial", "chardev:firmware-console"));
    const auto chardevs = valuesOf(args, "-chardev");
    ASSERT_EQ(chardevs.size(), 3u);
    EXPECT_EQ(chardevs[1].substr(chardevs[1].find("path=")), chardevs[2].substr(chardevs[2].find("path=")));
}

TEST(QmpChannel, SplitsLinesIntoObjectsAndRefusesWhatIsNotTheProtocol) {
    struct Case {
        std::string input;
        std::size_t messages;
        bool broken;
        std::string left;
    };
    const std::vector<Case> cases = {
        {"{\"QMP\":{}}\r\n{\"return\":{}}\n{\"event\":", 2, false, "{\"event\":"},
        {"\n  \n{\"a\":1}\n", 1, false, ""},
        {"[1,2]\n{\"a\":1}\n", 0, true, ""},
        {"{\"a\":\n", 0, true, ""},
        {std::string(vz::QmpChannel::messageLimit + 1, ' '), 0, true, ""},
    };
    for (const auto& c : cases) {
        std::string buffer = c.input;
        bool broken = false;
        EXPECT_EQ(vz::QmpChannel::split(buffer, broken).size(), c.messages) << c.input.substr(0, 40);
        EXPECT_EQ(broken, c.broken) << c.input.substr(0, 40);
        if (!c.broken) {
            EXPECT_EQ(buffer, c.left);
        }
    }
}

TEST(QemuVirtualMachine, RunsLinuxGuestsButNotGuestScriptsOrMacs) {
    TempFolder dir("qm-qemu-runs");
    const auto script = dir.write("script", "#!quillmarsh-guest\npoweroff\n");
    const auto kernel = dir.write("kernel", "not a script");
    const auto fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); // never opened for long: the check does not wait
    const auto linux = [](const std::string& path) {
        Config c;
        c.platform = Config::GenericPlatform{};
        c.bootLoader = Config::LinuxBootLoader{path, std::nullopt, ""};
        return c;
    };
    EXPECT_FALSE(vz::QemuVirtualMachine::runs(linux(script.string())));
    EXPECT_TRUE(vz::QemuVirtualMachine::runs(linux(kernel.string())));
    EXPECT_TRUE(vz::QemuVirtualMachine::runs(linux(fifo.string())));
    Config efi;
    efi.platform = Config::GenericPlatform{};
    efi.bootLoader = Config::EFIBootLoader{Config::EFIVariableStore{(dir / "vars").string()}};
    EXPECT_TRUE(vz::QemuVirtualMachine::runs(efi));
    Config mac;
    mac.platform = Config::MacPlatform{};
    mac.bootLoader = Config::MacOSBootLoader{};
    EXPECT_FALSE(vz::QemuVirtualMachine::runs(mac));
}

TEST(VirtualMachineConfiguration, MacAddressesAreUnicast) {
    for (const char* good : {"02:00:00:00:00:01", "00:1A:2b:3c:4d:5e", "fe:ff:ff:ff:ff:ff"})
        EXPECT_TRUE(Config::MACAddress::parse(good)) << good;
    for (const char* bad : {"01:00:5e:00:00:01", "ff:ff:ff:ff:ff:ff", "33:33:00:00:00:01", "02:00:00:00:00", "02-00-00-00-00-01"})
        EXPECT_FALSE(Config::MACAddress::parse(bad)) << bad;
    for (int i = 0; i < 64; ++i) {
        const auto mac = Config::MACAddress::randomLocallyAdministered();
        EXPECT_EQ(mac.bytes[0] & 0x03, 0x02);
    }
}

TEST(VirtualMachineConfiguration, NewEfiStoreIsAPrivateCopyOfTheFirmwaresTemplate) {
    const auto firmware = vz::EFIFirmware::installed();
    if (!firmware) GTEST_SKIP() << vz::EFIFirmware::missingText();
    TempFolder dir("qm-efi-store");
    const std::string path = (dir / "vars").string();
    Config::EFIVariableStore::create(path);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(FileIO::readFile(path, 64 << 20), FileIO::readFile(firmware->variablesTemplate, 64 << 20));
    // An existing file, or a link, is never written over.
    const auto existing = dir.write("existing", "mine");
    EXPECT_THROW(Config::EFIVariableStore::create(existing.string()), vz::DomainError);
    EXPECT_EQ(FileIO::readFile(existing.string(), 100), "mine");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "link");
    EXPECT_THROW(Config::EFIVariableStore::create((dir / "link").string()), vz::DomainError);
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
}

} // namespace
