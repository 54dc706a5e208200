#pragma once

#include "Model/JobDetail.h"
#include "Records/FinishedJob.h"
#include "Records/HostInfo.h"
#include "Records/RunningJob.h"
#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Vocabulary/JobState.h"
#include "Words/JobRow.h"

#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The page of one job in place of the Jobs list: a summary card, the steps as GitHub reports
// them and the runner log, live while the job runs; "Stop Job…" (after a confirmation, the view
// flag confirmingStop) and "View on GitHub". Back returns to the list. Whether the log follows
// its end is the view flag `scrolledAway` (unset: following). The agent's texts are cut to a
// label's worth and each log line to what the log view shows of it (DisplayText).
struct JobDetailPane {
    struct Inputs {
        std::string jobId;
        std::optional<JobRow> opened;         // the list row it was opened from
        std::optional<JobDetail> detail;      // the model's detail, only when it is this job's
        std::optional<RunningJob> running;
        std::optional<FinishedJob> finished;
        std::optional<HostInfo> host;
        bool canStop = false;
        std::optional<std::string> githubURL;  // encoded (PaneCommand::OpenLink::text)
        Date now;
        Calendar calendar = Calendar::utc();  // the clock's
    };

    static constexpr const char* confirmingStop = "confirmingStop";
    static constexpr const char* scrolledAway = "scrolledAway";

    static Inputs inputs(const AppModel& model, const std::string& jobId, const std::optional<JobRow>& opened);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);

    // The derived values of the page, each tested on its own.
    static std::string name(const Inputs& inputs);
    static std::string repository(const Inputs& inputs);
    static std::optional<JobState> state(const Inputs& inputs);
    static std::string meta(const Inputs& inputs);
    static PageDescription::Pill pill(const Inputs& inputs);
    static std::string logTitle(const Inputs& inputs);
    static std::optional<std::string> logPlaceholder(const Inputs& inputs);
};

} // namespace quillmarsh
