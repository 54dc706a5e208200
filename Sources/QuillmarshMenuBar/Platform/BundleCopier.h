#pragma once

#include "Platform/FolderModes.h"

#include <stdexcept>
#include <string>

namespace quillmarsh {

// Copies a bundle folder to a new path, keeping symbolic links as links and every entry's
// mode. Folders stay open to their owner while they are filled; each gets its mode once it is
// full, from finalModes where it names the folder (paths relative to the copy's root)
// and else from the source. The destination must not exist. Throws Error; a partial copy is left
// for the caller to remove.
class BundleCopier {
public:
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static void copy(const std::string& source, const std::string& destination, const FolderModes& finalModes = {});
};

} // namespace quillmarsh
