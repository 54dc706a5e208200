#include "ReportListener.h"

#include "Foundation/FileIO.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"
#include "Virtualization/RandomBytes.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <cerrno>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace quillmarsh {

bool ReportListener::isValidName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.') return false;
    for (char c : name) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

UniqueFd ReportListener::openFolder(const std::string& path) {
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool ReportListener::writeReport(int folder, const std::string& name, std::string_view content) {
    if (folder < 0) return false;
    // A leading "." keeps the temporary name out of the names a guest may give.
    std::string temporary;
    UniqueFd file;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temporary = ".report-" + Text::hexEncoded(vz::randomBytes(8));
        file.reset(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!file && errno != EEXIST) return false;
    }
    if (!file) return false;
    const bool written = FileIO::writeAll(file.get(), content);
    if (!file.close() || !written || ::renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return false;
    }
    return true;
}

bool ReportListener::listener(vz::VirtioSocketListener&, std::shared_ptr<vz::VirtioSocketConnection> connection,
                              vz::VirtioSocketDevice&) {
    if (reading_ >= maxReading) return false;
    int fd = connection->fileDescriptor();
    std::weak_ptr<ReportListener> weak = weak_from_this();
    try {
        std::thread([fd, post = post_, weak, connection] {
            std::string bytes;
            std::string area(chunk, '\0');
            for (;;) {
                ssize_t n = ::read(fd, area.data(), chunk);
                if (n < 0 && errno == EINTR) continue;
                if (n < 1) break;
                bytes.append(area.data(), std::size_t(n));
                if (bytes.size() > limit) break;
            }
            post([weak, connection, bytes = std::move(bytes)] {
                if (auto self = weak.lock()) self->arrived(connection, bytes);
                else connection->close();
            });
        }).detach();
    } catch (const std::system_error&) {
        // No thread to read it (the process is at its thread limit): the connection is refused.
        return false;
    }
    // Counted, and held open in `connections`, until the block posted back closes it; that block
    // runs on this loop, so after this.
    ++reading_;
    connections.push_back(std::move(connection));
    return true;
}

void ReportListener::arrived(const std::shared_ptr<vz::VirtioSocketConnection>& connection, const std::string& bytes) {
    --reading_;
    connection->close();
    auto lineFeed = bytes.find('\n');
    if (lineFeed != std::string::npos) {
        std::string name = bytes.substr(0, lineFeed);
        if (isValidName(name)) writeReport(dir.get(), name, std::string_view(bytes).substr(lineFeed + 1));
    }
    if (reading_ == 0 && onIdle) {
        auto idle = std::move(onIdle);
        onIdle = nullptr;
        idle();
    }
}

} // namespace quillmarsh
