#include "Virtualization/VirtioSocketDevice.h"

#include "Virtualization/VirtioSocketConnection.h"

namespace vz {

void VirtioSocketDevice::setSocketListener(std::shared_ptr<VirtioSocketListener> listener, std::uint32_t port) {
    listeners_[port] = std::move(listener);
}

void VirtioSocketDevice::removeSocketListener(std::uint32_t port) { listeners_.erase(port); }

bool VirtioSocketDevice::connectionArrived(std::shared_ptr<VirtioSocketConnection> connection) {
    bool accepted = false;
    auto found = listeners_.find(connection->destinationPort());
    if (found != listeners_.end()) {
        auto listener = found->second; // stays alive even if the delegate removes it
        if (auto delegate = listener->delegate.lock()) accepted = delegate->listener(*listener, connection, *this);
    }
    if (!accepted) connection->close();
    return accepted;
}

} // namespace vz
