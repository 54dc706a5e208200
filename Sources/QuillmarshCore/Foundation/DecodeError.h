#pragma once

#include <stdexcept>
#include <string>

namespace quillmarsh {

// The one failure of every record decoder: the answer as a whole is unusable.
// The agent client turns it into AgentError::badResponse; nothing partial survives.
class DecodeError : public std::runtime_error {
public:
    explicit DecodeError(const std::string& what) : std::runtime_error(what) {}
};

} // namespace quillmarsh
