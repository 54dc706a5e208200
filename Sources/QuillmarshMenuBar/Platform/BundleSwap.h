#pragma once

#include <string>

namespace quillmarsh {

// Exchanges two paths on one file system in a single step (renameat2 with RENAME_EXCHANGE):
// at no moment is either path missing.
class BundleSwap {
public:
    // Throws std::runtime_error "swap failed: " + the system's text for the error.
    static void exchange(const std::string& first, const std::string& second);
};

} // namespace quillmarsh
