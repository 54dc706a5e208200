#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmarsh::test {

// A fresh folder under the temporary directory ($TMPDIR, else /tmp), made with mkdtemp, and
// removed with everything in it when the object goes, also when an assertion ended the test early.
// Build folders can be too deep for a socket path, so sockets go in here too.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "quillmarsh-test") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }

    // Writes text to relative, creating the folders on the way; returns the full path.
    std::filesystem::path write(const std::filesystem::path& relative, const std::string& text) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full.parent_path());
        std::ofstream(full, std::ios::binary) << text;
        return full;
    }
    // Makes relative with the folders on the way; returns the full path.
    std::filesystem::path mkdir(const std::filesystem::path& relative) const {
        const auto full = path_ / relative;
        std::filesystem::create_directories(full);
        return full;
    }
    // Every path under the folder, relative to it, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path_))
            names.push_back(std::filesystem::relative(entry.path(), path_).string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

// A test with a fresh folder of its own, `root`.
class TempFolderTest : public ::testing::Test {
protected:
    TempFolder root;
};

} // namespace quillmarsh::test
