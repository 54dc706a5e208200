#pragma once

#include "Foundation/UniqueFd.h"

#include <cstdint>

namespace vz {

// One guest connection to a host port. It owns its descriptor: close() or the destructor closes it.
class VirtioSocketConnection {
public:
    VirtioSocketConnection(int fd, std::uint32_t sourcePort, std::uint32_t destinationPort)
        : fd_(fd), sourcePort_(sourcePort), destinationPort_(destinationPort) {}
    VirtioSocketConnection(const VirtioSocketConnection&) = delete;
    VirtioSocketConnection& operator=(const VirtioSocketConnection&) = delete;

    int fileDescriptor() const { return fd_.get(); }
    std::uint32_t sourcePort() const { return sourcePort_; }
    std::uint32_t destinationPort() const { return destinationPort_; }
    bool isClosed() const { return !fd_; }
    void close() { fd_.reset(); }

private:
    quillmarsh::UniqueFd fd_;
    std::uint32_t sourcePort_;
    std::uint32_t destinationPort_;
};

} // namespace vz
