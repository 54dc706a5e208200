#include "Platform/AllocatedBytes.h"

#include "Foundation/Saturating.h"
#include "Foundation/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace quillmarsh {

namespace {

// Deeper folders are not entered, so a pathological tree cannot use up the file descriptors.
constexpr int maxDepth = 256;

void walk(UniqueFd owned, int depth, std::int64_t& total) {
    DIR* dir = fdopendir(owned.get());
    if (dir == nullptr) return;
    // The stream owns the descriptor now; closedir() closes it.
    const int folder = owned.release();
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        struct stat info {};
        if (fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(info.st_mode)) {
            total = Saturating::add(total, Saturating::multiply(static_cast<std::int64_t>(info.st_blocks), 512));
        } else if (S_ISDIR(info.st_mode) && depth < maxDepth) {
            UniqueFd sub(openat(folder, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub) walk(std::move(sub), depth + 1, total);
        }
    }
    closedir(dir);
}

} // namespace

std::optional<std::int64_t> AllocatedBytes::under(const std::string& folder) {
    UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) return std::nullopt;
    std::int64_t total = 0;
    walk(std::move(fd), 0, total);
    return total;
}

} // namespace quillmarsh
