#include "Platform/AutostartEntry.h"

#include "Foundation/HomeFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace quillmarsh {

AutostartEntry::AutostartEntry(std::string folder, std::string bundleIdentifier)
    : folder_(std::move(folder)), bundleIdentifier_(std::move(bundleIdentifier)) {}

std::string AutostartEntry::defaultFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/autostart";
    return HomeFolder::path() + "/.config/autostart";
}

std::string AutostartEntry::path() const {
    return folder_ + "/" + bundleIdentifier_ + ".desktop";
}

bool AutostartEntry::isEnabled() const {
    std::ifstream in(path());
    if (!in) return false;
    for (std::string line; std::getline(in, line);) {
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

std::string AutostartEntry::desktopEntry(const std::string& executable) const {
    const auto text = DesktopEntry::text(executable, bundleIdentifier_);
    if (!text) throw Error("The app's path cannot be used for a login item.");
    return *text + "X-GNOME-Autostart-enabled=true\n";
}

void AutostartEntry::enable(const std::string& executable) const { DesktopEntry::writeFile(path(), desktopEntry(executable)); }

void AutostartEntry::disable() const {
    if (unlink(path().c_str()) != 0 && errno != ENOENT) {
        throw Error("Could not remove " + path() + ": " + std::strerror(errno) + ".");
    }
}

} // namespace quillmarsh
