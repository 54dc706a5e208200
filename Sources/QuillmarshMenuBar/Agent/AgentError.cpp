#include "Agent/AgentError.h"

#include <utility>

namespace quillmarsh {

AgentError::AgentError(Kind kind, std::int64_t status, std::string message,
                       std::optional<std::string> next, std::string description)
    : kind_(kind), status_(status), message_(std::move(message)), next_(std::move(next)),
      description_(std::move(description)) {}

AgentError AgentError::http(std::int64_t status, std::string message, std::optional<std::string> next) {
    std::string description = message;
    return AgentError(Kind::http, status, std::move(message), std::move(next), std::move(description));
}

AgentError AgentError::notRunning() {
    return AgentError(Kind::notRunning, 0, {}, std::nullopt,
                      "The Quillmarsh agent is not running on this Mac.");
}

AgentError AgentError::missingRoute() {
    return AgentError(Kind::missingRoute, 0, {}, std::nullopt, "This needs a newer Quillmarsh agent.");
}

AgentError AgentError::badResponse() {
    return AgentError(Kind::badResponse, 0, {}, std::nullopt,
                      "The Quillmarsh agent gave an answer this app does not understand.");
}

} // namespace quillmarsh
