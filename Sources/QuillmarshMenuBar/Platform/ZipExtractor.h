#pragma once

#include "Platform/FolderModes.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillmarsh {

// Unpacks a zip archive of untrusted bytes into a folder, refusing anything that could reach
// outside it: absolute paths, ".." components, entries that write through a symbolic link,
// links that point outside the folder (absolute targets included), hard links, device files,
// fifos and sockets, duplicate entries, and more than a cap of unpacked bytes, entries or depth.
// Files keep their permission bits (no set-id or sticky bits). Folders stay open to their owner
// (their archived mode plus rwx for the owner), so that the unpacked tree can always be copied
// and removed; the archived folder modes are returned, for the copy that is kept. On failure the
// destination is left as it is for the caller to remove.
class ZipExtractor {
public:
    struct Limits {
        std::uint64_t maxBytes = 4ull * 1024 * 1024 * 1024;  // sum of all file sizes
        std::uint64_t maxEntries = 200'000;
        // Folders an entry may lie inside. Removing a tree holds a descriptor per level, and no
        // app bundle comes near this.
        std::size_t maxDepth = 128;
    };

    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // destination is created when missing (mode 0700). Returns the archive's folder modes,
    // relative to destination. Throws Error.
    static FolderModes extract(const std::string& archivePath, const std::string& destination, Limits limits);
    static FolderModes extract(const std::string& archivePath, const std::string& destination) {
        return extract(archivePath, destination, Limits{});
    }
};

} // namespace quillmarsh
