#include "Foundation/HomeFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace quillmarsh {

namespace {

// The password database's home of this process's account; empty without one.
std::string accountHome() {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    for (;;) {
        passwd entry {};
        passwd* found = nullptr;
        const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || found->pw_dir == nullptr) return {};
        return found->pw_dir;
    }
}

} // namespace

std::string HomeFolder::path() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    return accountHome();
}

} // namespace quillmarsh
