#include "Virtualization/QmpChannel.h"

#include <cerrno>

#include <sys/socket.h>
#include <unistd.h>

namespace vz {

std::vector<nlohmann::json> QmpChannel::split(std::string& buffer, bool& broken) {
    std::vector<nlohmann::json> out;
    std::size_t start = 0;
    for (;;) {
        const auto end = buffer.find('\n', start);
        if (end == std::string::npos) break;
        const std::string_view line(buffer.data() + start, end - start);
        start = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        auto message = nlohmann::json::parse(line, nullptr, false);
        if (message.is_discarded() || !message.is_object()) {
            broken = true;
            break;
        }
        out.push_back(std::move(message));
    }
    buffer.erase(0, start);
    if (buffer.size() > messageLimit) broken = true;
    return out;
}

std::vector<nlohmann::json> QmpChannel::receive(bool& closed) {
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n <= 0) {
            closed = true;
            break;
        }
        buffer_.append(chunk, std::size_t(n));
        if (buffer_.size() > messageLimit) break;
    }
    bool broken = false;
    auto messages = split(buffer_, broken);
    if (broken) closed = true;
    return messages;
}

bool QmpChannel::send(const std::string& command, const std::string& id) {
    const std::string line = nlohmann::json{{"execute", command}, {"id", id}}.dump() + "\n";
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fd_, line.data() + sent, line.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += std::size_t(n);
    }
    return true;
}

} // namespace vz
