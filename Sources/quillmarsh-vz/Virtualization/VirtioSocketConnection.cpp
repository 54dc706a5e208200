#include "Virtualization/VirtioSocketConnection.h"

#include <unistd.h>

namespace vz {

VirtioSocketConnection::~VirtioSocketConnection() { close(); }

void VirtioSocketConnection::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace vz
