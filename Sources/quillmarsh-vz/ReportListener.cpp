#include "ReportListener.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Virtualization/VirtioSocketConnection.h"

#include <cerrno>
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

bool ReportListener::writeReport(const std::string& dir, const std::string& name, std::string_view content) {
    UniqueFd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder) return false;
    UniqueFd file(::openat(folder.get(), name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    folder.reset();
    if (!file) return false;
    const bool written = FileIO::writeAll(file.get(), content);
    return file.close() && written;
}

bool ReportListener::listener(vz::VirtioSocketListener&, std::shared_ptr<vz::VirtioSocketConnection> connection,
                              vz::VirtioSocketDevice&) {
    if (reading_ >= maxReading) return false;
    ++reading_;
    connections.push_back(connection);
    int fd = connection->fileDescriptor();
    std::weak_ptr<ReportListener> weak = weak_from_this();
    // The connection stays open (held in `connections`) until the block posted back closes it.
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
    return true;
}

void ReportListener::arrived(const std::shared_ptr<vz::VirtioSocketConnection>& connection, const std::string& bytes) {
    --reading_;
    connection->close();
    auto lineFeed = bytes.find('\n');
    if (lineFeed != std::string::npos) {
        std::string name = bytes.substr(0, lineFeed);
        if (isValidName(name)) writeReport(dir, name, std::string_view(bytes).substr(lineFeed + 1));
    }
    if (reading_ == 0 && onIdle) {
        auto idle = std::move(onIdle);
        onIdle = nullptr;
        idle();
    }
}

} // namespace quillmarsh
