#pragma once

#include "Virtualization/VirtioSocketListener.h"

#include <cstdint>
#include <map>
#include <memory>

namespace vz {

// The VM's virtio socket device: a listener per host port decides on each guest connection.
class VirtioSocketDevice {
public:
    void setSocketListener(std::shared_ptr<VirtioSocketListener> listener, std::uint32_t port);
    void removeSocketListener(std::uint32_t port);

    // The VM backend hands over each guest connection; returns whether it was accepted. A refused
    // connection is closed here.
    bool connectionArrived(std::shared_ptr<VirtioSocketConnection> connection);

private:
    std::map<std::uint32_t, std::shared_ptr<VirtioSocketListener>> listeners_;
};

} // namespace vz
