#pragma once

#include <stdexcept>
#include <string>

namespace quillmarsh {

// Copies a bundle folder to a new path, keeping symbolic links as links and every entry's
// mode. The destination must not exist. Throws Error; a partial copy is left for the caller
// to remove.
class BundleCopier {
public:
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static void copy(const std::string& source, const std::string& destination);
};

} // namespace quillmarsh
