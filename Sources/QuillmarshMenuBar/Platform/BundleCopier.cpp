#include "Platform/BundleCopier.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace quillmarsh {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw BundleCopier::Error("copying the update failed: " + what + " " + path + ": " + std::strerror(errno));
}

void copyFile(const std::string& from, const std::string& to, mode_t mode) {
    int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0)
        fail("cannot read", from);
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        int saved = errno;
        ::close(in);
        errno = saved;
        fail("cannot create", to);
    }
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0) {
            int saved = errno;
            ::close(in);
            ::close(out);
            errno = saved;
            fail("cannot read", from);
        }
        if (n == 0)
            break;
        const char* p = buffer;
        while (n > 0) {
            ssize_t written = ::write(out, p, static_cast<std::size_t>(n));
            if (written < 0) {
                int saved = errno;
                ::close(in);
                ::close(out);
                errno = saved;
                fail("cannot write", to);
            }
            p += written;
            n -= written;
        }
    }
    ::close(in);
    if (::fchmod(out, mode & 07777) != 0 || ::close(out) != 0)
        fail("cannot write", to);
}

void copyEntry(const std::string& from, const std::string& to) {
    struct stat info {};
    if (::lstat(from.c_str(), &info) != 0)
        fail("cannot read", from);
    if (S_ISLNK(info.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(std::max<off_t>(info.st_size, 255)) + 1);
        ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            fail("cannot read the link", from);
        if (::symlink(std::string(target.data(), static_cast<std::size_t>(n)).c_str(), to.c_str()) != 0)
            fail("cannot create", to);
    } else if (S_ISREG(info.st_mode)) {
        copyFile(from, to, info.st_mode);
    } else if (S_ISDIR(info.st_mode)) {
        if (::mkdir(to.c_str(), 0700) != 0)
            fail("cannot create", to);
        DIR* dir = ::opendir(from.c_str());
        if (!dir)
            fail("cannot list", from);
        std::vector<std::string> names;
        while (dirent* item = ::readdir(dir)) {
            std::string name = item->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
        for (const auto& name : names)
            copyEntry(from + "/" + name, to + "/" + name);
        if (::chmod(to.c_str(), info.st_mode & 07777) != 0)
            fail("cannot set the mode of", to);
    } else {
        errno = EINVAL;
        fail("cannot copy the special file", from);
    }
}

} // namespace

void BundleCopier::copy(const std::string& source, const std::string& destination) {
    struct stat info {};
    if (::lstat(destination.c_str(), &info) == 0) {
        errno = EEXIST;
        fail("cannot create", destination);
    }
    copyEntry(source, destination);
}

} // namespace quillmarsh
