#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace quillmarsh {

// The agent client's failures. Each carries the text the app shows to the user
// (errorDescription()); callers that need more look at kind().
//
// Plain std only: the fuzzers build this file without Qt.
class AgentError : public std::exception {
public:
    enum class Kind {
        http,          // the agent answered with a status outside 200 to 299
        notRunning,    // no socket file, or the socket cannot be created, connected or written
        missingRoute,  // 404 without an error body
        badResponse,   // no readable head or status, or a body that does not decode
    };

    static AgentError http(std::int64_t status, std::string message,
                           std::optional<std::string> next = std::nullopt);
    static AgentError notRunning();
    static AgentError missingRoute();
    static AgentError badResponse();

    Kind kind() const { return kind_; }
    // The http case's values; 0, empty and none for the other cases.
    std::int64_t status() const { return status_; }
    const std::string& message() const { return message_; }
    const std::optional<std::string>& next() const { return next_; }

    // For http the agent's message alone (the next step is not part of it); fixed texts otherwise.
    const std::string& errorDescription() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const AgentError& other) const {
        return kind_ == other.kind_ && status_ == other.status_ && message_ == other.message_ &&
               next_ == other.next_;
    }

private:
    AgentError(Kind kind, std::int64_t status, std::string message, std::optional<std::string> next,
               std::string description);

    Kind kind_;
    std::int64_t status_;
    std::string message_;
    std::optional<std::string> next_;
    std::string description_;
};

} // namespace quillmarsh
