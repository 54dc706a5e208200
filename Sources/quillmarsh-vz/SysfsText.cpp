#include "SysfsText.h"

#include "Foundation/Text.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace quillmarsh {

std::optional<std::string> SysfsText::read(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    constexpr std::size_t limit = 64 * 1024;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0 || text.size() >= limit) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::optional<std::string> SysfsText::trimmed(const std::string& path) {
    auto text = read(path);
    if (!text) return std::nullopt;
    return Text::trimmingWhitespaceAndNewlines(*text);
}

std::optional<long long> SysfsText::integer(const std::string& path) {
    const auto text = trimmed(path);
    if (!text || text->empty()) return std::nullopt;
    long long value = 0;
    const char* end = text->data() + text->size();
    const auto [rest, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || rest != end) return std::nullopt;
    return value;
}

} // namespace quillmarsh
