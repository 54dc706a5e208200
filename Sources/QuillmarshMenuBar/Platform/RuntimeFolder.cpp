#include "Platform/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillmarsh {

namespace {

bool isAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

} // namespace

std::string RuntimeFolder::check(const std::string& folder, uid_t user) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return folder + " cannot be used: " + std::strerror(errno);
    if (S_ISLNK(info.st_mode))
        return folder + " is a link, not a folder of its own";
    if (!S_ISDIR(info.st_mode))
        return folder + " is not a folder";
    if (info.st_uid != user)
        return folder + " belongs to user " + std::to_string(info.st_uid) + ", not to user " + std::to_string(user);
    if ((info.st_mode & 07777) != 0700)
        return folder + " has mode " + octal(info.st_mode) + ", not 0700";
    return {};
}

RuntimeFolder RuntimeFolder::locate(uid_t user, const char* runtimeDir, const char* tmpDir) {
    RuntimeFolder folder;
    if (isAbsolute(runtimeDir)) {
        folder.path = runtimeDir;
    } else {
        std::string temporary = isAbsolute(tmpDir) ? tmpDir : "/tmp";
        while (temporary.size() > 1 && temporary.back() == '/')
            temporary.pop_back();
        folder.path = (temporary == "/" ? "" : temporary) + "/quillmarsh-" + std::to_string(user);
        // Made private from the start; when somebody else made it first, the check refuses it.
        if (::mkdir(folder.path.c_str(), 0700) != 0 && errno != EEXIST) {
            folder.error = folder.path + " cannot be made: " + std::strerror(errno);
            return folder;
        }
    }
    folder.error = check(folder.path, user);
    return folder;
}

RuntimeFolder RuntimeFolder::locate() {
    return locate(::getuid(), std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"));
}

} // namespace quillmarsh
