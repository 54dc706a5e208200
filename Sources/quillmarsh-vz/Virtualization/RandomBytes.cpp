#include "Virtualization/RandomBytes.h"

#include <cerrno>
#include <random>

#include <sys/random.h>

namespace vz {

std::string randomBytes(std::size_t count) {
    std::string out(count, '\0');
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t got = ::getrandom(out.data() + filled, count - filled, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        filled += std::size_t(got);
    }
    if (filled < count) {
        // No getrandom (an old kernel): the library's own device.
        std::random_device device;
        for (; filled < count; ++filled) out[filled] = char(device() & 0xff);
    }
    return out;
}

} // namespace vz
