#include "Platform/TreeRemoval.h"

#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace quillmarsh {

namespace {

bool gone(int result) { return result == 0 || errno == ENOENT; }

// Removes name inside the folder parent. Every step is relative to an open folder and never
// follows a link, so a folder swapped for a link while this runs cannot lead it outside the tree.
bool removeAt(int parent, const std::string& name) {
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(info.st_mode))
        return gone(::unlinkat(parent, name.c_str(), 0));
    // Listing a folder takes read and search permission, emptying it write permission; only its
    // owner may give them.
    if ((info.st_mode & S_IRWXU) != S_IRWXU && info.st_uid == ::geteuid())
        (void)::fchmodat(parent, name.c_str(), (info.st_mode | S_IRWXU) & 07777, AT_SYMLINK_NOFOLLOW);
    const UniqueFd folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const auto names = folder ? FileIO::folderEntries(folder.get()) : std::nullopt;
    // A folder that cannot be listed (another user's) can still go when it is empty.
    if (!names)
        return gone(::unlinkat(parent, name.c_str(), AT_REMOVEDIR));
    bool complete = true;
    for (const auto& inner : *names)
        complete = removeAt(folder.get(), inner) && complete;
    return gone(::unlinkat(parent, name.c_str(), AT_REMOVEDIR)) && complete;
}

} // namespace

bool TreeRemoval::remove(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    if (trimmed.empty() || trimmed == "/")
        return false;
    const std::size_t slash = trimmed.rfind('/');
    const std::string parentPath = slash == std::string::npos ? "." : slash == 0 ? "/" : trimmed.substr(0, slash);
    const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (name == "." || name == "..")
        return false;
    // Only searched and written through, never listed: O_PATH asks no read permission of it.
    const UniqueFd parent(::open(parentPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent)
        return errno == ENOENT;
    return removeAt(parent.get(), name);
}

} // namespace quillmarsh
