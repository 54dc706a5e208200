#pragma once

#include "Records/RunningJob.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Update/UpdateState.h"
#include "Vocabulary/PauseOption.h"

#include <optional>
#include <vector>

namespace quillmarsh {

// Everything the status menu's structure and rows depend on, read from the model at one render.
struct MenuInputs {
    bool agentAvailable = false;
    // The agent offers this laptop to the organisation's Fleet and waits for the user's consent.
    bool awaitingPoolConsent = false;
    std::vector<RunningJob> running;
    std::optional<PauseOption> pauseInForce;
    UpdateState update;
    Date now;
    Calendar calendar = Calendar::utc();
};

} // namespace quillmarsh
