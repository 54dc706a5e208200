#pragma once

#include "Foundation/UniqueFd.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vz {

// The private channel between the tool and its VM service process: a SOCK_SEQPACKET socket pair,
// one text message per packet, optionally carrying one descriptor (SCM_RIGHTS). No socket file
// exists, so no other process can reach a guest's ports.
class ControlChannel {
public:
    struct Message {
        std::string text;
        quillmarsh::UniqueFd fd; // the descriptor that came with it, if any
    };
    // Sends one message (and `fd`, not closed here); false when the peer is gone. With `wait`
    // false the send never blocks: a peer that has stopped reading (its buffer full) fails it too.
    static bool send(int channel, const std::string& text, int fd = -1, bool wait = true);
    // Receives one message; none at the end of the channel or on an error.
    static std::optional<Message> receive(int channel);

    // What follows the verb of "connect ID PORT", the service's message for a guest connection.
    struct Connect {
        int id;             // the service's number for the connection
        std::uint32_t port; // the host port the guest connects to
    };
    // None unless the text is an ID and a port in decimal digits, separated by one space.
    static std::optional<Connect> parseConnect(std::string_view text);
    // A connection's ID as the messages write it (the text after "accept " or "refuse "): decimal
    // digits, from 1 within int; none for anything else.
    static std::optional<int> parseId(std::string_view text);
};

} // namespace vz
