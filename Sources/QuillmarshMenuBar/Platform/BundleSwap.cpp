#include "Platform/BundleSwap.h"

#include <fcntl.h>
#include <stdio.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace quillmarsh {

void BundleSwap::exchange(const std::string& first, const std::string& second) {
    if (::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) != 0)
        throw std::runtime_error(std::string("swap failed: ") + std::strerror(errno));
}

} // namespace quillmarsh
