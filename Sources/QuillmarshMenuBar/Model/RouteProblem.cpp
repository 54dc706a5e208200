#include "Model/RouteProblem.h"

#include "Agent/AgentError.h"

namespace quillmarsh {

RouteProblem RouteProblem::from(const std::exception& error, std::string_view needs) {
    if (auto* agent = dynamic_cast<const AgentError*>(&error);
        agent != nullptr && agent->kind() == AgentError::Kind::missingRoute) {
        return needsAgent(std::string(needs));
    }
    return failed(error.what());
}

} // namespace quillmarsh
