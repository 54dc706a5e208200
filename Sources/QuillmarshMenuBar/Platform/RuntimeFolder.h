#pragma once

#include <string>

#include <sys/types.h>

namespace quillmarsh {

// The user's private folder for the files through which launches of the app find each other (the
// instance lock and the reopen socket): $XDG_RUNTIME_DIR when that is an absolute path, else
// "quillmarsh-<uid>" in the temporary folder ($TMPDIR when absolute, else /tmp), made when
// missing. Whichever it is, it must be a folder itself (never a link), owned by the user, with
// mode 0700: anyone else who can write there could stand in for the running app.
struct RuntimeFolder {
    std::string path;   // where the folder is, or would be
    std::string error;  // why it cannot be used, as the log says it; empty when it can

    bool usable() const { return error.empty(); }

    // Finds the folder for user from the two variables' values (null when unset), makes the one in
    // the temporary folder when it is missing, and checks it.
    static RuntimeFolder locate(uid_t user, const char* runtimeDir, const char* tmpDir);
    // The same for this process's user and environment.
    static RuntimeFolder locate();

    // Why folder is not private to user; empty when it is. The folder is looked at itself, a link
    // at its place is not followed.
    static std::string check(const std::string& folder, uid_t user);
};

} // namespace quillmarsh
