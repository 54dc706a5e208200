#pragma once

#include "Model/RouteProblem.h"
#include "Records/Fleet.h"
#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Time/Calendar.h"
#include "Time/Date.h"

#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The "Machines" page: the account's Fleet as the agent relays it, one line per machine with
// this Mac marked, and links to connect another machine and to the dashboard's Fleet page.
struct MachinesPane {
    struct Inputs {
        std::optional<Fleet> fleet;
        std::optional<RouteProblem> problem;
        bool agentAvailable = false;
        bool laptop = false;  // the status says this Mac is a laptop
        std::string dashboardRoot;
        Date now;
        Calendar calendar = Calendar::utc();  // the clock's
    };

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);
};

} // namespace quillmarsh
