#pragma once

// What a macOS VM bundle's tests compare before and after an install or a swap.

#include "Support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include <sys/stat.h>

namespace quillmarsh::test {

// The first 4 KiB of a file (fewer when it is shorter; empty when it cannot be read).
inline std::string fileStart(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(4096, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// Every path under a folder with, for a file, its inode, size and first 4 KiB, or "folder": what
// an install or a swap that fails must leave exactly as it was.
inline std::map<std::string, std::string> treeState(const TempFolder& folder) {
    std::map<std::string, std::string> result;
    for (const auto& entry : folder.entries()) {
        const auto path = folder / entry;
        struct stat info {};
        ::lstat(path.c_str(), &info);
        result[entry] = S_ISDIR(info.st_mode) ? std::string("folder")
                                              : std::to_string(info.st_ino) + " " + std::to_string(info.st_size) + ":" + fileStart(path);
    }
    return result;
}

} // namespace quillmarsh::test
