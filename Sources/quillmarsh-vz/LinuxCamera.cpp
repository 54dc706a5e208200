#include "LinuxCamera.h"

#include <filesystem>
#include <set>

namespace quillmarsh {

bool LinuxCamera::cameraInUse() {
    namespace fs = std::filesystem;
    std::error_code error;
    std::set<std::string> devices;
    for (fs::directory_iterator it(root_ + "/dev", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("video", 0) == 0) devices.insert("/dev/" + name);
    }
    if (devices.empty()) return false;
    for (fs::directory_iterator procs(root_ + "/proc", error), end; !error && procs != end; procs.increment(error)) {
        const std::string pid = procs->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        // Other users' descriptors cannot be listed; those processes are skipped.
        std::error_code fdError;
        for (fs::directory_iterator fds(procs->path() / "fd", fdError), fdEnd; !fdError && fds != fdEnd;
             fds.increment(fdError)) {
            std::error_code linkError;
            const fs::path target = fs::read_symlink(fds->path(), linkError);
            if (!linkError && devices.count(target.string())) return true;
        }
    }
    return false;
}

} // namespace quillmarsh
