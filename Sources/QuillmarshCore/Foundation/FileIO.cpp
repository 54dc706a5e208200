#include "Foundation/FileIO.h"

#include "Foundation/UniqueFd.h"

#include <cerrno>
#include <dirent.h>
#include <cstdint>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmarsh {

namespace {

template <class Write>
bool writeEvery(std::string_view bytes, Write write) {
    while (!bytes.empty()) {
        const ssize_t n = write(bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

bool FileIO::exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::string> FileIO::readFile(const std::string& path, std::size_t maxBytes) {
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    return readAll(fd.get(), maxBytes);
}

namespace {

// O_NONBLOCK keeps the open from waiting for a FIFO's writer; O_NOCTTY keeps a terminal from
// becoming the process's controlling one. Neither changes how a regular file reads.
constexpr int regularFileFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// The checks and the read of readRegularFile, on a descriptor already open.
std::optional<std::string> readOpenedRegularFile(const UniqueFd& fd, std::size_t maxBytes) {
    if (!fd) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return std::nullopt;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return std::nullopt;
    }
    if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
        errno = EFBIG;
        return std::nullopt;
    }
    // The size was only a first look: a file that grows (or a procfs one that says 0) is held to
    // the bound by readAll.
    return FileIO::readAll(fd.get(), maxBytes);
}

} // namespace

std::optional<std::string> FileIO::readRegularFile(const std::string& path, std::size_t maxBytes) {
    return readOpenedRegularFile(UniqueFd(::open(path.c_str(), regularFileFlags)), maxBytes);
}

std::optional<std::string> FileIO::readRegularFileIn(const std::string& folder, const std::string& relativePath,
                                                     std::size_t maxBytes) {
    // The folders on the way are only searched, never read: O_PATH asks no more of them.
    UniqueFd at(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!at) return std::nullopt;
    std::string_view rest = relativePath;
    for (;;) {
        const std::size_t slash = rest.find('/');
        const std::string name(rest.substr(0, slash));
        if (slash == std::string_view::npos)
            return readOpenedRegularFile(UniqueFd(::openat(at.get(), name.c_str(), regularFileFlags | O_NOFOLLOW)),
                                         maxBytes);
        rest.remove_prefix(slash + 1);
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            errno = EINVAL;
            return std::nullopt;
        }
        UniqueFd next(::openat(at.get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next) return std::nullopt;
        at = std::move(next);
    }
}

std::optional<std::vector<std::string>> FileIO::folderEntries(const std::string& folder) {
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    return folderEntries(fd.get());
}

std::optional<std::vector<std::string>> FileIO::folderEntries(int fd) {
    // The stream takes a descriptor of its own, so the caller's stays open.
    const int listing = ::dup(fd);
    if (listing < 0) return std::nullopt;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
        const int saved = errno;
        ::close(listing);
        errno = saved;
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    const int saved = errno;
    ::closedir(dir);
    errno = saved;
    return names;
}

std::optional<std::string> FileIO::readAll(int fd, std::size_t maxBytes) {
    std::string text;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return text;
        if (static_cast<std::size_t>(got) > maxBytes - text.size()) {
            errno = EFBIG;
            return std::nullopt;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

bool FileIO::writeAll(int fd, std::string_view bytes) {
    return writeEvery(bytes, [fd](std::string_view rest) { return ::write(fd, rest.data(), rest.size()); });
}

bool FileIO::sendAll(int fd, std::string_view bytes) {
    return writeEvery(bytes, [fd](std::string_view rest) { return ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL); });
}

} // namespace quillmarsh
