#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace vz {

// The tool's end of QEMU's machine protocol (QMP): JSON objects, one a line, on a non-blocking
// stream socket. It never waits: receive() takes what has arrived, send() what the socket takes now.
class QmpChannel {
public:
    // The most a single message may hold; QEMU's answers to the commands the tool sends are a
    // few hundred bytes.
    static constexpr std::size_t messageLimit = 1 << 20;

    explicit QmpChannel(int fd) : fd_(fd) {}

    // The messages complete so far, in order. `closed` becomes true once the peer has gone (or sent
    // something that is not the protocol: a line that is not a JSON object, or one over the limit).
    std::vector<nlohmann::json> receive(bool& closed);
    // Splits buffered bytes into messages; exposed for the tests.
    static std::vector<nlohmann::json> split(std::string& buffer, bool& broken);
    // Sends one command ({"execute": command, "id": id}); false when the socket did not take it whole.
    bool send(const std::string& command, const std::string& id);

private:
    int fd_;
    std::string buffer_;
};

} // namespace vz
