#pragma once

#include "Records/HostInfo.h"
#include "Records/JobsSnapshot.h"
#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Vocabulary/JobFilter.h"

#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The "Jobs" page: the jobs running on this Mac now and the last ones that ran, under a filter
// (All, Running, Failed; the view value `filter`, All when unset), with a link to the
// dashboard's jobs page. Opening a row shows its job's detail.
struct JobsPane {
    struct Inputs {
        JobsSnapshot jobs;  // the model's paneJobs
        std::optional<HostInfo> host;
        bool agentAvailable = false;
        std::optional<std::string> jobsURL;  // encoded (PaneCommand::OpenLink::text)
        Date now;
        Calendar calendar = Calendar::utc();  // the clock's
    };

    static constexpr const char* filterKey = "filter";

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);
    // The filter the view state holds; All when it holds none or an unknown one.
    static JobFilter filter(const PaneViewState& view);
    // The row's accessibility name: repository, a blank, name, then ", " and each of the state
    // word, meta and trailing (the separators stay when a part is empty).
    static std::string accessibleName(const JobRow& row);
};

} // namespace quillmarsh
