#include "StatusMenu/MenuSignature.h"

namespace quillmarsh {

MenuSignature MenuSignature::of(const MenuInputs& inputs) {
    MenuSignature signature;
    switch (inputs.update.kind) {
    case UpdateState::Case::ready:
    case UpdateState::Case::manual:
        signature.update = Update::available;
        signature.updateVersion = inputs.update.versionText;
        break;
    case UpdateState::Case::installing:
        signature.update = Update::updating;
        break;
    default:
        break;
    }
    if (!inputs.agentAvailable) return signature;
    signature.menu = Menu::agent;
    signature.paused = inputs.pauseInForce.has_value();
    signature.jobIds.reserve(inputs.running.size());
    for (const auto& job : inputs.running) signature.jobIds.push_back(job.id());
    signature.awaitingPoolConsent = inputs.awaitingPoolConsent;
    return signature;
}

} // namespace quillmarsh
