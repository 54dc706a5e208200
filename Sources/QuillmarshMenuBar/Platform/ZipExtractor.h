#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillmarsh {

// Unpacks a zip archive of untrusted bytes into a folder, refusing anything that could reach
// outside it: absolute paths, ".." components, entries that write through a symbolic link,
// links that point outside the folder (absolute targets included), hard links, device files,
// fifos and sockets, duplicate entries, and more than a cap of unpacked bytes or entries.
// Modes keep their permission bits (no set-id or sticky bits). On failure the destination is
// left as it is for the caller to remove.
class ZipExtractor {
public:
    struct Limits {
        std::uint64_t maxBytes = 4ull * 1024 * 1024 * 1024;  // sum of all file sizes
        std::uint64_t maxEntries = 200'000;
    };

    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // destination is created when missing (mode 0700). Throws Error.
    static void extract(const std::string& archivePath, const std::string& destination, Limits limits);
    static void extract(const std::string& archivePath, const std::string& destination) {
        extract(archivePath, destination, Limits{});
    }
};

} // namespace quillmarsh
