#include "Platform/MachineProbe.h"

#include "Foundation/FileIO.h"
#include "Foundation/HomeFolder.h"
#include "Foundation/PropertyList.h"
#include "Foundation/Text.h"
#include "Words/MenuModel.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <limits>
#include <string_view>
#include <utility>

namespace quillmarsh {

namespace {

std::optional<std::string> readText(const std::string& path) {
    return FileIO::readRegularFile(path, MachineProbe::maxFileBytes);
}

// /proc/cpuinfo's first value for key, from lines of the form "key<tabs or spaces>: value".
std::string cpuinfoValue(std::string_view cpuinfo, std::string_view key) {
    for (const std::string& line : Text::split(cpuinfo, '\n')) {
        const std::size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        if (Text::trimmingWhitespaceAndNewlines(std::string_view(line).substr(0, colon)) != key) continue;
        return Text::trimmingWhitespaceAndNewlines(std::string_view(line).substr(colon + 1));
    }
    return {};
}

// An os-release value as a shell would read it: in double quotes with \" \\ \$ and \` undone,
// in single quotes taken as it is, else the bare text.
std::string osReleaseValue(std::string_view raw) {
    if (raw.empty() || (raw.front() != '"' && raw.front() != '\'')) return std::string(raw);
    const char quote = raw.front();
    std::string value;
    for (std::size_t i = 1; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == quote) break;
        if (quote == '"' && c == '\\' && i + 1 < raw.size()) {
            const char next = raw[i + 1];
            if (next == '"' || next == '\\' || next == '$' || next == '`') {
                value += next;
                ++i;
                continue;
            }
        }
        value += c;
    }
    return value;
}

// The distribution's NAME and VERSION_ID: "Debian GNU/Linux 12"; "Linux" when there is no NAME.
std::string distributionFrom(std::string_view osRelease) {
    std::string name;
    std::string versionID;
    for (const std::string& rawLine : Text::split(osRelease, '\n')) {
        const std::string line = Text::trimmingWhitespaceAndNewlines(rawLine);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string_view key = std::string_view(line).substr(0, equals);
        // A later assignment replaces an earlier one, as when the file is sourced.
        if (key == "NAME") name = osReleaseValue(std::string_view(line).substr(equals + 1));
        else if (key == "VERSION_ID") versionID = osReleaseValue(std::string_view(line).substr(equals + 1));
    }
    if (name.empty()) name = "Linux";
    if (!versionID.empty()) name += " " + versionID;
    return name;
}

std::optional<std::string> plistString(const std::string& path, const std::string& key) {
    const auto text = readText(path);
    if (!text) return std::nullopt;
    const auto strings = PropertyList::dictionaryStrings(*text);
    if (!strings) return std::nullopt;
    const auto found = strings->find(key);
    if (found == strings->end()) return std::nullopt;
    return found->second;
}

std::optional<std::uint64_t> freeBytesOn(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(info.f_bavail), static_cast<std::uint64_t>(info.f_frsize),
                               &bytes)) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return bytes;
}

} // namespace

MachineProbe::Places MachineProbe::Places::system() {
    Places places;
    places.home = HomeFolder::path();
    if (utsname names {}; ::uname(&names) == 0) places.machine = names.machine;
    for (const char* name : {"GH_CONFIG_DIR", "XDG_CONFIG_HOME"}) {
        if (const char* value = std::getenv(name)) places.environment[name] = value;
    }
    return places;
}

MachineProbe::MachineProbe(Places places) : places_(std::move(places)) {}

LocalChecks::Facts MachineProbe::facts() const {
    LocalChecks::Facts facts;
    facts.machine = places_.machine;

    if (const auto cpuinfo = readText(places_.root + "/proc/cpuinfo")) {
        facts.cpuModel = cpuinfoValue(*cpuinfo, "model name");
        facts.cpuVendor = cpuinfoValue(*cpuinfo, "vendor_id");
    }

    facts.macOSVersion = plistString(places_.root + "/System/Library/CoreServices/SystemVersion.plist", "ProductVersion");
    if (!facts.macOSVersion) {
        auto osRelease = readText(places_.root + "/etc/os-release");
        if (!osRelease) osRelease = readText(places_.root + "/usr/lib/os-release");
        facts.distribution = osRelease ? distributionFrom(*osRelease) : "Linux";
    }

    // Xcode.app first, then every other Xcode bundle in the order the folder lists them.
    const std::string applications = places_.root + "/Applications";
    std::vector<std::string> candidates = {applications + "/Xcode.app"};
    if (const auto names = FileIO::folderEntries(applications)) {
        for (const std::string& name : *names) {
            if (name != "Xcode.app" && name.starts_with("Xcode") && name.ends_with(".app"))
                candidates.push_back(applications + "/" + name);
        }
    }
    for (const std::string& candidate : candidates) {
        auto version = plistString(candidate + "/Contents/version.plist", "CFBundleShortVersionString");
        if (version && !version->empty()) {
            facts.xcodeVersion = std::move(version);
            break;
        }
    }

    facts.freeBytes = freeBytesOn(places_.home);
    return facts;
}

std::vector<LocalChecks::PowerSupply> MachineProbe::powerSupplies() const {
    std::vector<LocalChecks::PowerSupply> supplies;
    const std::string folder = places_.root + "/sys/class/power_supply";
    const auto names = FileIO::folderEntries(folder);
    if (!names) return supplies;
    for (const std::string& name : *names) {
        const auto type = readText(folder + "/" + name + "/type");
        if (!type) continue;
        const auto scope = readText(folder + "/" + name + "/scope");
        supplies.push_back({Text::trimmingWhitespaceAndNewlines(*type),
                            scope ? Text::trimmingWhitespaceAndNewlines(*scope) : std::string()});
    }
    return supplies;
}

std::optional<std::string> MachineProbe::ghLogin() const {
    const auto hosts = readText(ghConfigFolder(places_.environment, places_.home) + "/hosts.yml");
    if (!hosts) return std::nullopt;
    return MenuModel::ghLogin(*hosts);
}

std::string MachineProbe::ghConfigFolder(const std::map<std::string, std::string>& environment, const std::string& home) {
    const auto nonEmpty = [&](const char* name) -> const std::string* {
        const auto found = environment.find(name);
        return found != environment.end() && !found->second.empty() ? &found->second : nullptr;
    };
    if (const std::string* folder = nonEmpty("GH_CONFIG_DIR")) return *folder;
    if (const std::string* config = nonEmpty("XDG_CONFIG_HOME")) return *config + "/gh";
    return home + "/.config/gh";
}

} // namespace quillmarsh
