#pragma once

#include <optional>
#include <string>

namespace vz {

// The private channel between the tool and its VM service process: a SOCK_SEQPACKET socket pair,
// one text message per packet, optionally carrying one descriptor (SCM_RIGHTS). No socket file
// exists, so no other process can reach a guest's ports.
class ControlChannel {
public:
    struct Message {
        std::string text;
        int fd = -1; // owned by the receiver
    };
    // Sends one message (and `fd`, not closed here); false when the peer is gone.
    static bool send(int channel, const std::string& text, int fd = -1);
    // Receives one message; none at the end of the channel or on an error.
    static std::optional<Message> receive(int channel);
};

} // namespace vz
