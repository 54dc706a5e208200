#include "Platform/FileVaultProbe.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

namespace quillmarsh {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// A /proc and /sys tree for one mount table and a few block devices.
class FakeSystem {
public:
    explicit FakeSystem(const std::string& mountinfo) { tmp_.write("proc/self/mountinfo", mountinfo); }

    std::string proc() const { return tmp_ / "proc"; }
    std::string sys() const { return tmp_ / "sys"; }

    // A device known by number and by name; uuid empty for a plain disk.
    void device(const std::string& name, const std::string& majorMinor, const std::string& uuid,
                const std::string& dmName = "") {
        const std::string folder = tmp_.mkdir("sys/devices/virtual/block/" + name);
        if (!uuid.empty()) tmp_.write("sys/devices/virtual/block/" + name + "/dm/uuid", uuid + "\n");
        if (!dmName.empty()) tmp_.write("sys/devices/virtual/block/" + name + "/dm/name", dmName + "\n");
        tmp_.mkdir("sys/dev/block");
        tmp_.mkdir("sys/class/block");
        fs::create_directory_symlink(folder, tmp_ / ("sys/dev/block/" + majorMinor));
        fs::create_directory_symlink(folder, tmp_ / ("sys/class/block/" + name));
    }
    // upper sits on lower (slaves/ of upper names lower).
    void stack(const std::string& upper, const std::string& lower) {
        tmp_.mkdir("sys/devices/virtual/block/" + upper + "/slaves");
        fs::create_directory_symlink(tmp_ / ("sys/devices/virtual/block/" + lower),
                                     tmp_ / ("sys/devices/virtual/block/" + upper + "/slaves/" + lower));
    }

private:
    TempFolder tmp_;
};

std::string mountLine(const std::string& point, const std::string& majorMinor, const std::string& source,
                      const std::string& type = "ext4") {
    return "29 1 " + majorMinor + " / " + point + " rw,relatime shared:1 - " + type + " " + source + " rw\n";
}

TEST(FileVaultProbe, FindsDmCryptUnderTheMountThatHoldsTheFolder) {
    struct Case {
        const char* name;
        const char* folder;
        std::optional<bool> expected;
    };
    // "/" on a plain partition, /home on LUKS directly, /srv on LVM on LUKS, "/mnt/my disk" on
    // LVM without encryption, /var on a device that /sys does not know.
    FakeSystem system(mountLine("/", "8:1", "/dev/sda1") + mountLine("/home", "254:0", "/dev/mapper/home") +
                      mountLine("/srv", "254:2", "/dev/mapper/vg-srv") +
                      mountLine("/mnt/my\\040disk", "254:3", "/dev/mapper/vg-plain") +
                      mountLine("/var", "8:9", "/dev/sdz9") + mountLine("/homework", "8:1", "/dev/sda1"));
    system.device("sda1", "8:1", "");
    system.device("dm-0", "254:0", "CRYPT-LUKS2-0123-home", "home");
    system.device("dm-1", "254:1", "CRYPT-LUKS2-4567-pv", "pv");
    system.device("dm-2", "254:2", "LVM-abcdef", "vg-srv");
    system.stack("dm-2", "dm-1");
    system.device("dm-3", "254:3", "LVM-plain", "vg-plain");
    system.stack("dm-3", "sda1");

    const FileVaultProbe probe(system.proc(), system.sys());
    for (const Case& c : std::initializer_list<Case>{
             {"plain root", "/opt/agent", false},
             {"luks home", "/home/me/.quillmarsh", true},
             {"mount point itself", "/home", true},
             {"prefix is not a parent", "/homework/x", false},
             {"lvm on luks", "/srv/agent", true},
             {"escaped mount point, lvm on a plain disk", "/mnt/my disk/agent", false},
             {"unknown device", "/var/agent", std::nullopt},
         }) {
        EXPECT_EQ(probe.isEncrypted(c.folder), c.expected) << c.name;
    }
}

TEST(FileVaultProbe, AnonymousDeviceNumbersFallBackToTheMountSource) {
    FakeSystem system(mountLine("/", "0:27", "/dev/mapper/root", "btrfs") +
                      mountLine("/data", "0:28", "/dev/nvme0n1p3", "btrfs") +
                      mountLine("/tmpfs", "0:29", "tmpfs", "tmpfs"));
    system.device("dm-0", "254:0", "CRYPT-LUKS2-root", "root");
    system.device("nvme0n1p3", "259:3", "");
    const FileVaultProbe probe(system.proc(), system.sys());
    EXPECT_EQ(probe.isEncrypted("/home/me"), true);
    EXPECT_EQ(probe.isEncrypted("/data/x"), false);
    EXPECT_EQ(probe.isEncrypted("/tmpfs/x"), std::nullopt);
}

TEST(FileVaultProbe, UnreadableMountTableIsUnknown) {
    TempFolder tmp;
    EXPECT_EQ(FileVaultProbe(tmp / "proc", tmp / "sys").isEncrypted("/"), std::nullopt);
}

} // namespace
} // namespace quillmarsh
