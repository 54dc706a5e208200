#pragma once

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmarsh {

// Moves a bundle's new files from a staging folder into the bundle folder as one step: afterwards
// either every new file is in place, or the bundle is exactly as it was.
//
// A file the bundle already has is exchanged with the new one (renameat2 RENAME_EXCHANGE), so the
// earlier file waits in the staging folder under its own name until the caller removes the folder;
// where the file system cannot exchange (EINVAL), the earlier file is first moved aside into the
// staging folder. A name the bundle lacks is a plain rename. A folder in a file's place is refused,
// never moved: removing the staging folder would then delete the user's folder. Both folders must
// lie on one file system, which a staging folder inside the bundle always does.
class BundleFileSwap {
public:
    // How an earlier file leaves its place.
    enum class Method {
        exchange,  // swapped with the new file in one step (falls back to moveAside where unsupported)
        moveAside, // renamed into the staging folder, then the new file renamed into its place
    };

    // A swap that did not happen. what() names the file that could not be moved and why.
    class Failure : public std::runtime_error {
    public:
        Failure(const std::string& message, bool wasRestored) : std::runtime_error(message), restored(wasRestored) {}
        // False when some file could not be put back: the staging folder then still holds an
        // earlier file, and the caller must keep it (what() says where it is).
        bool restored;
    };

    BundleFileSwap(std::filesystem::path staging, std::filesystem::path folder, Method method = Method::exchange);

    // Moves staging/NAME onto folder/NAME for every name, in order. On a failure every file already
    // moved is put back before Failure is thrown.
    void replace(std::span<const char* const> names);

private:
    // What was done to one name, to be undone on a failure.
    enum class Step {
        exchanged,  // the new file is in the bundle, the earlier one at staging/NAME
        renamed,    // the new file is in the bundle, which had none
        movedAside, // the new file is in the bundle, the earlier one at aside(NAME)
        asideOnly,  // the earlier file is at aside(NAME), the new one still at staging/NAME
    };
    struct Done {
        std::string name;
        Step step;
    };

    std::filesystem::path aside(const std::string& name) const;
    // Puts back every file already moved, the last first; false when one could not be.
    bool putBack();
    [[noreturn]] void fail(const std::string& name, int error);

    std::filesystem::path staging_;
    std::filesystem::path folder_;
    Method method_;
    std::vector<Done> done_;
};

} // namespace quillmarsh
