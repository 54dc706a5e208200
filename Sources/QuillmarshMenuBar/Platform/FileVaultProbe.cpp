#include "Platform/FileVaultProbe.h"

#include "Foundation/FileIO.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace quillmarsh {

namespace {

// A sysfs attribute is at most a page; 64 KiB leaves room to spare.
constexpr std::size_t maxAttributeBytes = 64 << 10;
// mountinfo has a line of one to two hundred bytes for each mount; 4 MiB is room for tens of
// thousands of mounts (container hosts have many).
constexpr std::size_t maxMountinfoBytes = 4 << 20;

bool isFolder(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mountinfo writes space, tab, newline and backslash as \ooo.
std::string unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool holds(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/") return !path.empty() && path[0] == '/';
    return path == mountPoint || path.compare(0, mountPoint.size() + 1, mountPoint + "/") == 0;
}

std::string baseName(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

FileVaultProbe::FileVaultProbe(std::string procRoot, std::string sysRoot)
    : procRoot_(std::move(procRoot)), sysRoot_(std::move(sysRoot)) {}

std::optional<bool> FileVaultProbe::isEncrypted(const std::string& folder) const {
    auto mountinfo = FileIO::readFile(procRoot_ + "/self/mountinfo", maxMountinfoBytes);
    if (!mountinfo) return std::nullopt;

    std::string path = folder;
    if (char* real = realpath(folder.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }

    // The longest mount point that holds the path; of equal ones the last (it mounts over).
    std::optional<std::pair<std::string, std::string>> best;  // major:minor, source
    std::size_t bestLength = 0;
    std::istringstream lines(*mountinfo);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;) fields.push_back(word);
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") ++dash;
        if (fields.size() < 5 || dash + 2 >= fields.size()) continue;
        const std::string mountPoint = unescape(fields[4]);
        if (!holds(mountPoint, path) || mountPoint.size() < bestLength) continue;
        bestLength = mountPoint.size();
        best.emplace(fields[2], unescape(fields[dash + 2]));
    }
    if (!best) return std::nullopt;
    auto device = deviceFolder(best->first, best->second);
    if (!device) return std::nullopt;
    return cryptBelow(*device, 0);
}

std::optional<std::string> FileVaultProbe::deviceFolder(const std::string& majorMinor,
                                                        const std::string& source) const {
    const std::string byNumber = sysRoot_ + "/dev/block/" + majorMinor;
    if (isFolder(byNumber)) return byNumber;
    // Btrfs and others report an anonymous device number; the source names the device.
    const std::string classBlock = sysRoot_ + "/class/block/";
    const std::string mapper = "/dev/mapper/";
    if (source.compare(0, mapper.size(), mapper) == 0) {
        const std::string name = source.substr(mapper.size());
        for (const std::string& entry : FileIO::folderEntries(classBlock).value_or(std::vector<std::string>{})) {
            auto dmName = FileIO::readFile(classBlock + entry + "/dm/name", maxAttributeBytes);
            if (dmName && dmName->substr(0, dmName->find('\n')) == name) return classBlock + entry;
        }
        return std::nullopt;
    }
    if (source.compare(0, 5, "/dev/") == 0) {
        const std::string byName = classBlock + baseName(source);
        if (isFolder(byName)) return byName;
    }
    return std::nullopt;
}

bool FileVaultProbe::cryptBelow(const std::string& device, int depth) const {
    if (auto uuid = FileIO::readFile(device + "/dm/uuid", maxAttributeBytes); uuid && uuid->compare(0, 6, "CRYPT-") == 0) return true;
    if (depth >= 8) return false;
    for (const std::string& slave : FileIO::folderEntries(device + "/slaves").value_or(std::vector<std::string>{})) {
        if (cryptBelow(device + "/slaves/" + slave, depth + 1)) return true;
    }
    return false;
}

} // namespace quillmarsh
