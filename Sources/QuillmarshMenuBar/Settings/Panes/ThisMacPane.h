#pragma once

#include "Records/HostInfo.h"
#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Vocabulary/Mode.h"
#include "Vocabulary/RunsJobs.h"
#include "Vocabulary/StayAwake.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The "This Mac" page: how the local agent uses this Mac (routing mode, when it runs jobs, staying
// awake, the organisation's Fleet, size of the job VMs, secrets) and where to disconnect it.
struct ThisMacPane {
    struct Inputs {
        Mode mode = Mode::primary;
        RunsJobs runsJobs = RunsJobs::always;
        bool idleOnly = false;                  // the policy's; false without one
        StayAwake stayAwake = StayAwake::pluggedIn;
        std::optional<bool> poolConsent;        // the policy's; none without a policy or the field
        bool awaitingPoolConsent = false;       // the status's
        bool useMoreWhenAway = true;
        std::optional<HostInfo> host;
        std::optional<std::int64_t> capacity;   // the status's; none without a status
        bool statusLaptop = false;
        std::optional<std::string> trust;       // the status's trust word
        std::optional<bool> fileVaultOn;        // none while unknown
        std::optional<std::string> machineURL;  // this Mac's dashboard page, encoded (PaneCommand::OpenLink::text)
        bool operator==(const Inputs&) const = default;
    };

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);
};

} // namespace quillmarsh
