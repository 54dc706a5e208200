#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

// The disk space that the regular files under a folder take: st_blocks * 512 of each, summed
// over the whole tree. Hidden entries (names starting with ".") and symbolic links are not
// counted or followed; entries that cannot be read are skipped.
struct AllocatedBytes {
    // None when the folder does not exist or cannot be opened as a folder; 0 for a folder
    // without regular files.
    static std::optional<std::int64_t> under(const std::string& folder);
};

} // namespace quillmarsh
