#include "Platform/BundleCopier.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

namespace quillmarsh {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw BundleCopier::Error("copying the update failed: " + what + " " + path + ": " + std::strerror(errno));
}

void copyFile(const std::string& from, const std::string& to, mode_t mode) {
    // fail() words its message from errno before it throws, so the owners close afterwards.
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in)
        fail("cannot read", from);
    UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out)
        fail("cannot create", to);
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n < 0)
            fail("cannot read", from);
        if (n == 0)
            break;
        if (!FileIO::writeAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(n))))
            fail("cannot write", to);
    }
    in.reset();
    // Closed by hand, not by the owner: a failed close means the copy may be incomplete.
    if (::fchmod(out.get(), mode & 07777) != 0 || !out.close())
        fail("cannot write", to);
}

void copyEntry(const std::string& from, const std::string& to, const std::string& relative,
               const FolderModes& finalModes) {
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
        const auto names = FileIO::folderEntries(from);
        if (!names)
            fail("cannot list", from);
        for (const auto& name : *names)
            copyEntry(from + "/" + name, to + "/" + name, relative.empty() ? name : relative + "/" + name,
                      finalModes);
        // Only once it is full, so a folder that closes itself to its owner holds nothing that
        // still needs copying.
        const auto found = finalModes.byPath.find(relative);
        if (::chmod(to.c_str(), found != finalModes.byPath.end() ? found->second : info.st_mode & 07777) != 0)
            fail("cannot set the mode of", to);
    } else {
        errno = EINVAL;
        fail("cannot copy the special file", from);
    }
}

} // namespace

void BundleCopier::copy(const std::string& source, const std::string& destination, const FolderModes& finalModes) {
    struct stat info {};
    if (::lstat(destination.c_str(), &info) == 0) {
        errno = EEXIST;
        fail("cannot create", destination);
    }
    copyEntry(source, destination, "", finalModes);
}

} // namespace quillmarsh
