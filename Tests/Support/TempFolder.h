#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include <cstdlib>

namespace quillmarsh::test {

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = "/tmp/quillmarsh-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

    // Writes text to relative, creating the folders on the way; returns the full path.
    std::string write(const std::string& relative, const std::string& text) const {
        const std::string full = *this / relative;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << text;
        return full;
    }
    std::string mkdir(const std::string& relative) const {
        const std::string full = *this / relative;
        std::filesystem::create_directories(full);
        return full;
    }

private:
    std::string path_;
};

} // namespace quillmarsh::test
