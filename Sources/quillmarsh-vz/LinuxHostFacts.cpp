#include "LinuxHostFacts.h"

#include <unistd.h>

namespace quillmarsh {

std::int64_t LinuxHostFacts::maximumAllowedCPUCount() const {
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? online : 1;
}

std::uint64_t LinuxHostFacts::maximumAllowedMemorySize() const {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

} // namespace quillmarsh
