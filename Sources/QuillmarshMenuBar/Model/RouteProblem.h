#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace quillmarsh {

// Why a settings-window route gave no data: the agent lacks the route (needsAgent, with the
// lowest agent version that has it), or any other failure with its user-facing message.
struct RouteProblem {
    enum class Kind { needsAgent, failed };

    Kind kind = Kind::failed;
    std::string text;  // the version for needsAgent, the message for failed

    static RouteProblem needsAgent(std::string version) { return {Kind::needsAgent, std::move(version)}; }
    static RouteProblem failed(std::string message) { return {Kind::failed, std::move(message)}; }

    // The agent client's missingRoute gives needsAgent(needs); anything else failed(what()).
    static RouteProblem from(const std::exception& error, std::string_view needs);

    // What a page says of it: "Needs agent " and the version, or the message.
    std::string words() const { return kind == Kind::needsAgent ? "Needs agent " + text : text; }

    bool operator==(const RouteProblem&) const = default;
};

} // namespace quillmarsh
