#include "Virtualization/ControlChannel.h"

#include "Foundation/IntegerText.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace vz {

bool ControlChannel::send(int channel, const std::string& text, int fd, bool wait) {
    iovec iov{const_cast<char*>(text.data()), text.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))]{};
    if (fd >= 0) {
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* cmsg = CMSG_FIRSTHDR(&msg);
        cmsg->cmsg_level = SOL_SOCKET;
        cmsg->cmsg_type = SCM_RIGHTS;
        cmsg->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(cmsg), &fd, sizeof fd);
    }
    ssize_t n;
    do n = ::sendmsg(channel, &msg, MSG_NOSIGNAL | (wait ? 0 : MSG_DONTWAIT));
    while (n < 0 && errno == EINTR);
    return n == ssize_t(text.size());
}

std::optional<ControlChannel::Message> ControlChannel::receive(int channel) {
    std::vector<char> buffer(1 << 16);
    iovec iov{buffer.data(), buffer.size()};
    msghdr msg{};
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))]{};
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do n = ::recvmsg(channel, &msg, MSG_CMSG_CLOEXEC);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return std::nullopt;
    Message out{std::string(buffer.data(), std::size_t(n)), {}};
    for (cmsghdr* cmsg = CMSG_FIRSTHDR(&msg); cmsg; cmsg = CMSG_NXTHDR(&msg, cmsg)) {
        if (cmsg->cmsg_level == SOL_SOCKET && cmsg->cmsg_type == SCM_RIGHTS) {
            int fd = -1;
            std::memcpy(&fd, CMSG_DATA(cmsg), sizeof fd);
            out.fd.reset(fd);
        }
    }
    return out;
}

std::optional<ControlChannel::Connect> ControlChannel::parseConnect(std::string_view text) {
    const auto space = text.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    const auto id = parseId(text.substr(0, space));
    const auto port = quillmarsh::IntegerText::parseDigits(text.substr(space + 1));
    if (!id || !port || *port > UINT32_MAX) return std::nullopt;
    return Connect{*id, std::uint32_t(*port)};
}

std::optional<int> ControlChannel::parseId(std::string_view text) {
    const auto id = quillmarsh::IntegerText::parseDigits(text);
    if (!id || *id < 1 || *id > INT_MAX) return std::nullopt;
    return int(*id);
}

} // namespace vz
