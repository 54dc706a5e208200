#include "Support/TestGuest.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quillmarsh::test {

namespace {

using quillmarsh::FileIO;
using quillmarsh::UniqueFd;

const fs::path qemuProgram = "/usr/bin/qemu-system-x86_64";
const fs::path busyboxProgram = "/bin/busybox";

// The modules /init loads, with what they need first: the virtio devices QEMU gives the guest,
// 9p for the shares, the ACPI power button and its event device, NVMe for a first disk on that
// bus, and vsock for the host's ports.
const std::vector<std::string> wantedModules = {
    "virtio_pci", "virtio_blk", "virtio_console", "9pnet_virtio", "9p",      "virtio_net",
    "button",     "evdev",      "virtio-rng",     "virtio_balloon", "nvme", "vmw_vsock_virtio_transport"};

const char* const initScript = R"init(#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
failed=
for m in $(cat /etc/modules); do insmod "/lib/modules/$m" 2>/dev/null || failed="$failed $m"; done
n=0
while [ ! -c /dev/hvc0 ] && [ $n -lt 20 ]; do sleep 0.1; n=$((n + 1)); done
[ -c /dev/hvc0 ] && exec </dev/null >/dev/hvc0 2>&1
[ -n "$failed" ] && echo "guest: modules not loaded:$failed"

share() {
    mkdir -p "/mnt/$1" && mount -t 9p -o trans=virtio,version=9p2000.L "$1" "/mnt/$1"
}

# Reads one whole input event (24 bytes on x86-64) from each power-button device.
power_button() {
    case "$1" in
    poweroff)
        found=
        for e in /sys/class/input/event*; do
            [ "$(cat "$e/device/name" 2>/dev/null)" = "Power Button" ] || continue
            found=1
            (dd if="/dev/input/${e##*/}" bs=24 count=1 >/dev/null 2>&1
             echo "guest: power button, powering off"; sync; poweroff -f) &
        done
        [ -n "$found" ] || echo "guest: no power button" ;;
    ignore)
        echo "guest: ignoring the power button" ;;
    esac
}

echo "guest: up"
eval "$(echo "$qmsh" | base64 -d)"
echo "guest: powering off"
sync
poweroff -f
)init";

std::string readWhole(const fs::path& path) {
    auto text = FileIO::readFile(path.string(), std::size_t(256) << 20);
    if (!text) throw std::runtime_error("cannot read " + path.string());
    return std::move(*text);
}

// The newest /boot/vmlinuz-VERSION's VERSION, empty when there is none.
std::string newestKernelVersion() {
    std::string newest;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/boot", error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("vmlinuz-", 0) != 0) continue;
        const std::string version = name.substr(8);
        if (newest.empty() || ::strverscmp(version.c_str(), newest.c_str()) > 0) newest = version;
    }
    return newest;
}

std::string moduleName(std::string path) {
    path = fs::path(path).filename().string();
    if (path.size() > 3 && path.compare(path.size() - 3, 3, ".ko") == 0) path.resize(path.size() - 3);
    for (char& c : path) {
        if (c == '-') c = '_';
    }
    return path;
}

// The wanted modules' files under the kernel's module folder, each after the modules it needs and
// each once, from modules.dep (whose lists are complete); modules built into the kernel are left
// out.
std::vector<std::string> moduleFiles(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, std::vector<std::string>>> dependencies;
    std::istringstream lines(readWhole(folder / "modules.dep"));
    for (std::string line; std::getline(lines, line);) {
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string file = line.substr(0, colon);
        std::istringstream words(line.substr(colon + 1));
        std::vector<std::string> needs;
        for (std::string word; words >> word;) needs.push_back(word);
        dependencies[moduleName(file)] = {file, needs};
    }
    std::set<std::string> builtIn;
    std::ifstream builtInList(folder / "modules.builtin");
    for (std::string line; std::getline(builtInList, line);) builtIn.insert(moduleName(line));

    std::vector<std::string> order;
    std::set<std::string> placed;
    std::function<void(const std::string&)> place = [&](const std::string& name) {
        if (placed.count(name) || builtIn.count(name)) return;
        const auto found = dependencies.find(name);
        if (found == dependencies.end()) throw std::runtime_error("no module " + name + " under " + folder.string());
        placed.insert(name);
        // modules.dep lists a module's needs with the last to load first.
        const auto& needs = found->second.second;
        for (auto it = needs.rbegin(); it != needs.rend(); ++it) place(moduleName(*it));
        const std::string& file = found->second.first;
        if (file.size() < 3 || file.compare(file.size() - 3, 3, ".ko") != 0)
            throw std::runtime_error("the module " + file + " is compressed; the guest loads plain .ko files");
        order.push_back(file);
    };
    for (const auto& name : wantedModules) place(moduleName(name));
    return order;
}

// An uncompressed newc cpio archive, as the kernel unpacks an initramfs.
class CpioWriter {
public:
    void directory(const std::string& name) { entry(name, 040755, 2, 0, 0, {}); }
    void file(const std::string& name, std::uint32_t mode, const std::string& data) {
        entry(name, 0100000 | mode, 1, 0, 0, data);
    }
    void characterDevice(const std::string& name, std::uint32_t major, std::uint32_t minor) {
        entry(name, 020600, 1, major, minor, {});
    }
    std::string finish() {
        entry("TRAILER!!!", 0, 1, 0, 0, {});
        return std::move(bytes_);
    }

private:
    void entry(const std::string& name, std::uint32_t mode, std::uint32_t links, std::uint32_t major,
               std::uint32_t minor, const std::string& data) {
        const std::uint32_t fields[13] = {++inode_, mode, 0, 0, links, 0, std::uint32_t(data.size()), 0, 0, major,
                                          minor, std::uint32_t(name.size() + 1), 0};
        bytes_ += "070701";
        for (std::uint32_t field : fields) {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08X", field);
            bytes_ += hex;
        }
        bytes_ += name;
        bytes_ += '\0';
        pad();
        bytes_ += data;
        pad();
    }
    void pad() {
        while (bytes_.size() % 4 != 0) bytes_ += '\0';
    }
    std::string bytes_;
    std::uint32_t inode_ = 0;
};

std::uint64_t fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

struct Inputs {
    fs::path kernel;
    fs::path modulesFolder;
    std::vector<std::string> modules;
};

Inputs inputs() {
    if (auto why = TestGuest::whyUnavailable()) throw std::runtime_error(*why);
    const std::string version = newestKernelVersion();
    Inputs found{"/boot/vmlinuz-" + version, "/lib/modules/" + version, {}};
    found.modules = moduleFiles(found.modulesFolder);
    return found;
}

// What the initramfs is made of, so a changed /init, kernel or busybox gets an archive of its own.
std::string cacheKey(const Inputs& found) {
    std::string description = initScript;
    description += found.kernel.string();
    for (const auto& module : found.modules) description += "\n" + module;
    struct stat info {};
    if (::stat(busyboxProgram.c_str(), &info) == 0)
        description += "\n" + std::to_string(info.st_size) + "." + std::to_string(info.st_mtime);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(description)));
    return hex;
}

} // namespace

std::optional<std::string> TestGuest::whyUnavailable() {
    if (::access(qemuProgram.c_str(), X_OK) != 0) return "no real guest: " + qemuProgram.string() + " is not installed";
    const std::string version = newestKernelVersion();
    if (version.empty()) return std::string("no real guest: no kernel /boot/vmlinuz-*");
    const std::string kernel = "/boot/vmlinuz-" + version;
    if (::access(kernel.c_str(), R_OK) != 0) return "no real guest: the kernel " + kernel + " is not readable";
    if (::access(("/lib/modules/" + version + "/modules.dep").c_str(), R_OK) != 0)
        return "no real guest: no modules for the kernel in /lib/modules/" + version;
    if (::access(busyboxProgram.c_str(), R_OK) != 0) return "no real guest: no " + busyboxProgram.string();
    return std::nullopt;
}

TestGuest TestGuest::buildAt(const fs::path& path) {
    const Inputs found = inputs();
    CpioWriter archive;
    for (const char* folder : {"bin", "dev", "etc", "lib", "lib/modules", "mnt", "proc", "sys", "tmp"})
        archive.directory(folder);
    archive.characterDevice("dev/console", 5, 1);
    archive.file("bin/busybox", 0755, readWhole(busyboxProgram));
    archive.file("init", 0755, initScript);
    std::string order;
    for (const auto& module : found.modules) {
        const std::string name = fs::path(module).filename().string();
        archive.file("lib/modules/" + name, 0644, readWhole(found.modulesFolder / module));
        order += name + "\n";
    }
    archive.file("etc/modules", 0644, order);

    const std::string bytes = archive.finish();
    const fs::path temporary = path.string() + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) throw std::runtime_error("cannot write " + temporary.string());
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        throw std::runtime_error("cannot rename the initramfs into " + path.string());
    }
    return TestGuest{found.kernel, path};
}

TestGuest TestGuest::shared() {
    const fs::path cache = QUILLMARSH_TEST_GUEST_CACHE;
    const Inputs found = inputs();
    const fs::path archive = cache / ("initramfs-" + cacheKey(found) + ".cpio");
    std::error_code error;
    fs::create_directories(cache, error);
    const UniqueFd lock(::open((cache / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lock) throw std::runtime_error("cannot open the lock in " + cache.string());
    // Every test process of a parallel ctest asks at once: one builds, the others wait and reuse it.
    ::flock(lock.get(), LOCK_EX);
    return fs::exists(archive) ? TestGuest{found.kernel, archive} : buildAt(archive);
}

std::string TestGuest::commandLine(const std::string& snippet) {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string encoded;
    std::size_t i = 0;
    for (; i + 2 < snippet.size(); i += 3) {
        const std::uint32_t n = std::uint32_t(std::uint8_t(snippet[i])) << 16 |
                                std::uint32_t(std::uint8_t(snippet[i + 1])) << 8 | std::uint8_t(snippet[i + 2]);
        for (int shift : {18, 12, 6, 0}) encoded += alphabet[n >> shift & 63];
    }
    if (i + 1 == snippet.size()) {
        const std::uint32_t n = std::uint32_t(std::uint8_t(snippet[i])) << 16;
        encoded += {alphabet[n >> 18 & 63], alphabet[n >> 12 & 63], '=', '='};
    } else if (i + 2 == snippet.size()) {
        const std::uint32_t n =
            std::uint32_t(std::uint8_t(snippet[i])) << 16 | std::uint32_t(std::uint8_t(snippet[i + 1])) << 8;
        encoded += {alphabet[n >> 18 & 63], alphabet[n >> 12 & 63], alphabet[n >> 6 & 63], '='};
    }
    std::string line = "console=hvc0 quiet panic=-1 qmsh=" + encoded;
    // The x86 kernel takes 2048 bytes of command line, its terminating zero included.
    if (line.size() > 2047) throw std::length_error("the guest's command line is " + std::to_string(line.size()) + " bytes");
    return line;
}

} // namespace quillmarsh::test
