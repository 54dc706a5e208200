#pragma once

#include <memory>

namespace vz {

class VirtioSocketConnection;
class VirtioSocketDevice;
class VirtioSocketListener;

class VirtioSocketListenerDelegate {
public:
    virtual ~VirtioSocketListenerDelegate() = default;
    // Called on the main loop for each new guest connection; false refuses it.
    virtual bool listener(VirtioSocketListener& listener, std::shared_ptr<VirtioSocketConnection> connection,
                          VirtioSocketDevice& device) = 0;
};

// A listener registered on a socket device for one port. It holds its delegate weakly, as the
// framework's listeners do.
class VirtioSocketListener {
public:
    std::weak_ptr<VirtioSocketListenerDelegate> delegate;
};

} // namespace vz
