#include "Platform/DesktopEntry.h"

#include "Foundation/FileIO.h"
#include "Foundation/HomeFolder.h"
#include "Foundation/UniqueFd.h"

#include <QBuffer>
#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmarsh {

namespace {

// Bigger than any entry or icon this writes; a file past it is simply replaced.
constexpr std::size_t maxComparedBytes = 4 << 20;

std::string failure(const std::string& what, int error) { return what + ": " + std::strerror(error) + "."; }

void makeFolders(const std::string& folder) {
    std::size_t start = 0;
    while (start <= folder.size()) {
        std::size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        const std::string partial = folder.substr(0, end);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            throw DesktopEntry::Error(failure("Could not create " + partial, errno));
        start = end + 1;
    }
}

// The path as Exec's one argument: in double quotes with " ` $ \ escaped, then the string-value
// escape of each backslash, and % doubled for the field codes.
std::optional<std::string> execArgument(const std::string& executable) {
    std::string exec = "\"";
    for (const unsigned char c : executable) {
        if (c < 0x20 || c == 0x7f) return std::nullopt;
        if (c == '"' || c == '`' || c == '$') exec += "\\\\";
        if (c == '\\') exec += "\\\\\\";
        if (c == '%') exec += '%';
        exec += static_cast<char>(c);
    }
    return exec + '"';
}

// The path as a string value (TryExec): only the backslash is escaped.
std::string stringValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::string pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) throw DesktopEntry::Error("Could not draw the app's icon.");
    return bytes.toStdString();
}

} // namespace

DesktopEntry::DesktopEntry(std::string dataFolder, std::string bundleIdentifier)
    : folder_(std::move(dataFolder)), bundleIdentifier_(std::move(bundleIdentifier)) {}

std::string DesktopEntry::defaultFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return data;
    return HomeFolder::path() + "/.local/share";
}

std::string DesktopEntry::entryPath() const { return folder_ + "/applications/" + bundleIdentifier_ + ".desktop"; }

std::string DesktopEntry::iconPath(int size) const {
    const std::string side = std::to_string(size);
    return folder_ + "/icons/hicolor/" + side + "x" + side + "/apps/" + bundleIdentifier_ + ".png";
}

std::optional<std::string> DesktopEntry::text(const std::string& executable, const std::string& bundleIdentifier) {
    const auto exec = execArgument(executable);
    if (!exec) return std::nullopt;
    // The identifier names files, so it is ours and never agent text; TryExec hides the entry
    // once the program is gone.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillmarsh\n"
           "Icon=" + bundleIdentifier + "\n"
           "TryExec=" + stringValue(executable) + "\n"
           "Exec=" + *exec + "\n"
           "Terminal=false\n"
           "Categories=Development;\n"
           "X-GNOME-UsesNotifications=true\n";
}

void DesktopEntry::install(const std::string& executable, const IconImage& icon) const {
    const auto entry = text(executable, bundleIdentifier_);
    if (!entry) throw Error("The app's path cannot be used in a desktop entry.");
    const auto writeChanged = [](const std::string& path, const std::string& bytes) {
        if (FileIO::readRegularFile(path, maxComparedBytes) != bytes) writeFile(path, bytes);
    };
    for (const int size : iconSizes) writeChanged(iconPath(size), pngOf(icon(size)));
    writeChanged(entryPath(), *entry);
}

void DesktopEntry::writeFile(const std::string& path, const std::string& bytes) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) makeFolders(path.substr(0, slash));
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) throw Error(failure("Could not write " + path, errno));
    bool ok = FileIO::writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    int error = errno;
    // Closed by hand, not by the owner: a failed close means the file may not be on disk.
    if (!fd.close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        throw Error(failure("Could not write " + path, error));
    }
}

} // namespace quillmarsh
