#pragma once

#include "Records/CachesReport.h"
#include "Records/HostInfo.h"
#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Time/Calendar.h"
#include "Time/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

class AppModel;

// The "Caches" page: the package caches the agent keeps per repository, three summary cards and
// the repositories table; one repository's cache is cleared at once, all of them after a
// confirmation (the view flag confirmingClear).
struct CachesPane {
    struct Inputs {
        std::optional<CachesReport> report;
        std::optional<HostInfo> host;
        bool agentAvailable = false;
        Date now;
        Calendar calendar = Calendar::utc();  // the clock's
    };

    static constexpr const char* confirmingClear = "confirmingClear";

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);
    // The quiet part of a repository's cell: every "/"-separated part but the last (empty parts
    // ignored), each followed by "/"; empty for a name of one part.
    static std::string ownerPart(std::string_view repository);
};

} // namespace quillmarsh
