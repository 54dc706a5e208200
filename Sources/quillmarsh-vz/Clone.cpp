#include "Clone.h"

#include "ErrorLineCode.h"
#include "Foundation/UniqueFd.h"
#include "ToolOutput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmarsh {

int Clone::cloneFile(const std::string& source, const std::string& destination) {
    // O_NONBLOCK: a FIFO given as the image fails at once instead of waiting for a writer.
    UniqueFd from(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!from) return errno;
    struct stat info {};
    if (::fstat(from.get(), &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    UniqueFd to(::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!to) return errno;
    int error = 0;
    if (::ioctl(to.get(), FICLONE, from.get()) != 0 || ::fchmod(to.get(), info.st_mode & 07777) != 0) error = errno;
    from.reset();
    if (!to.close() && error == 0) error = errno;
    // O_EXCL made the destination ours: nothing else is ever removed.
    if (error != 0) ::unlink(destination.c_str());
    return error;
}

void Clone::command(const std::vector<std::string>& args) {
    std::optional<std::string> source;
    std::optional<std::string> destination;
    for (std::size_t i = 0; i < args.size(); i += 2) {
        const std::string& key = args[i];
        const bool hasValue = i + 1 < args.size();
        if (key == "--from" && hasValue) {
            source = args[i + 1];
        } else if (key == "--to" && hasValue) {
            destination = args[i + 1];
        } else {
            fail(ErrorLineCode::badArguments, "unknown option " + key);
        }
    }
    if (!source || !destination) fail(ErrorLineCode::badArguments, "clone needs --from and --to");
    const int error = cloneFile(*source, *destination);
    if (error != 0) {
        fail(ErrorLineCode::cloneFailed, "clonefile " + *source + " -> " + *destination + ": " + std::strerror(error),
             "the image and the job directory must be on the same APFS volume");
    }
    emit({{"path", *destination}, {"status", "ok"}});
}

} // namespace quillmarsh
