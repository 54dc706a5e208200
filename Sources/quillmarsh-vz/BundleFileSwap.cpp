#include "BundleFileSwap.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillmarsh {

namespace fs = std::filesystem;

namespace {

// rename(2) with flags; 0 or the errno.
int renameWith(const fs::path& from, const fs::path& to, unsigned flags) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), flags) == 0 ? 0 : errno;
}

int plainRename(const fs::path& from, const fs::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool isFolder(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Where renameat2 cannot do what was asked of it: an old kernel, or a file system without the flag.
bool unsupported(int error) {
    return error == EINVAL || error == ENOSYS;
}

} // namespace

BundleFileSwap::BundleFileSwap(fs::path staging, fs::path folder, Method method)
    : staging_(std::move(staging)), folder_(std::move(folder)), method_(method) {}

fs::path BundleFileSwap::aside(const std::string& name) const {
    return staging_ / (name + ".earlier");
}

void BundleFileSwap::replace(std::span<const char* const> names) {
    for (const char* const name : names) {
        const fs::path source = staging_ / name;
        const fs::path target = folder_ / name;
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0) {
            if (errno != ENOENT)
                fail(name, errno);
            // NOREPLACE, so a file that appeared meanwhile is not lost to the rename.
            int error = renameWith(source, target, RENAME_NOREPLACE);
            if (unsupported(error))
                error = plainRename(source, target);
            if (error != 0)
                fail(name, error);
            done_.push_back({name, Step::renamed});
            continue;
        }
        if (S_ISDIR(info.st_mode))
            fail(name, EISDIR);

        if (method_ == Method::exchange) {
            const int error = renameWith(source, target, RENAME_EXCHANGE);
            if (error == 0) {
                done_.push_back({name, Step::exchanged});
                // A folder that took the file's place since the look above goes straight back.
                if (isFolder(source))
                    fail(name, EISDIR);
                continue;
            }
            if (!unsupported(error))
                fail(name, error);
            method_ = Method::moveAside; // this file system cannot exchange: nor will it for the rest
        }

        if (const int error = plainRename(target, aside(name)); error != 0)
            fail(name, error);
        done_.push_back({name, Step::asideOnly});
        if (isFolder(aside(name)))
            fail(name, EISDIR);
        if (const int error = plainRename(source, target); error != 0)
            fail(name, error);
        done_.back().step = Step::movedAside;
    }
}

bool BundleFileSwap::putBack() {
    bool restored = true;
    for (auto done = done_.rbegin(); done != done_.rend(); ++done) {
        const fs::path source = staging_ / done->name;
        const fs::path target = folder_ / done->name;
        switch (done->step) {
        case Step::exchanged:
            restored = renameWith(source, target, RENAME_EXCHANGE) == 0 && restored;
            break;
        case Step::renamed:
            restored = plainRename(target, source) == 0 && restored;
            break;
        case Step::movedAside:
            // Should the new file not leave, the earlier one takes its place all the same.
            plainRename(target, source);
            restored = plainRename(aside(done->name), target) == 0 && restored;
            break;
        case Step::asideOnly:
            restored = plainRename(aside(done->name), target) == 0 && restored;
            break;
        }
    }
    done_.clear();
    return restored;
}

void BundleFileSwap::fail(const std::string& name, int error) {
    std::string message = "cannot move the new files into " + (folder_ / name).string() + ": " + std::strerror(error);
    const bool restored = putBack();
    if (!restored)
        message += "; not every earlier file could be put back, what was not is in " + staging_.string();
    throw Failure(message, restored);
}

} // namespace quillmarsh
