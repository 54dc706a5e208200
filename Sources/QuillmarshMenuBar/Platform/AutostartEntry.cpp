#include "Platform/AutostartEntry.h"

#include "Foundation/FileIO.h"
#include "Foundation/HomeFolder.h"
#include "Foundation/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmarsh {

namespace {

std::string failure(const std::string& what, int error) {
    return what + ": " + std::strerror(error) + ".";
}

void makeFolders(const std::string& folder) {
    std::string partial;
    std::size_t start = 0;
    while (start <= folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        partial = folder.substr(0, end);
        if (!partial.empty() && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) {
            throw AutostartEntry::Error(failure("Could not create " + partial, errno));
        }
        start = end + 1;
    }
}

} // namespace

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

std::string AutostartEntry::desktopEntry(const std::string& executable) {
    // Exec quoting: the argument in double quotes with " ` $ \ escaped, then the string-value
    // escape of each backslash, and % doubled for the field codes.
    std::string exec = "\"";
    for (unsigned char c : executable) {
        if (c < 0x20 || c == 0x7f) throw Error("The app's path cannot be used for a login item.");
        if (c == '"' || c == '`' || c == '$') exec += "\\\\";
        if (c == '\\') exec += "\\\\\\";
        if (c == '%') exec += '%';
        exec += static_cast<char>(c);
    }
    exec += '"';
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillmarsh\n"
           "Exec=" + exec + "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void AutostartEntry::enable(const std::string& executable) const {
    const std::string text = desktopEntry(executable);
    makeFolders(folder_);
    const std::string temporary = path() + ".tmp-" + std::to_string(getpid());
    UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) throw Error(failure("Could not write " + path(), errno));
    if (!FileIO::writeAll(fd.get(), text)) {
        const int error = errno;
        fd.reset();
        unlink(temporary.c_str());
        throw Error(failure("Could not write " + path(), error));
    }
    bool ok = fsync(fd.get()) == 0;
    int error = errno;
    // Closed by hand, not by the owner: a failed close means the entry may not be on disk.
    if (!fd.close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), path().c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        throw Error(failure("Could not write " + path(), error));
    }
}

void AutostartEntry::disable() const {
    if (unlink(path().c_str()) != 0 && errno != ENOENT) {
        throw Error(failure("Could not remove " + path(), errno));
    }
}

} // namespace quillmarsh
