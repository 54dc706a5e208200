#pragma once

#include "Records/HostInfo.h"
#include "Records/JobsSnapshot.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Vocabulary/JobFilter.h"
#include "Words/JobRow.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The Jobs pane's rows, built from the agent's jobs snapshot. Each list shows at most its first
// shownLimit jobs (the recent list is the last 50 that ran), and the rows' texts are cut to a
// label's worth (DisplayText), so an answer far larger than asked for costs no more to show.
class JobsList {
public:
    static constexpr std::size_t shownLimit = 50;

    // One row per running job, in the snapshot's order, for its first shownLimit jobs.
    static std::vector<JobRow> running(const JobsSnapshot& snapshot, const std::optional<HostInfo>& host);
    // The row of one running job, as running() makes it.
    static JobRow runningRow(const RunningJob& job, const std::optional<HostInfo>& host);
    // The jobs that the filter keeps among the snapshot's first shownLimit finished ones, in the
    // snapshot's order; their times read in calendar.
    static std::vector<JobRow> recent(const JobsSnapshot& snapshot, JobFilter filter, Date now,
                                      const Calendar& calendar);
    // The VM size a job with that label gets: "4 cores, 6 GB"; none without a host or a CPU count.
    static std::optional<std::string> guest(std::string_view label, const std::optional<HostInfo>& host);
    // The job's run on GitHub; none for an empty repository or a run id of 0.
    static std::optional<std::string> runURL(std::string_view repository, std::int64_t runId);
};

} // namespace quillmarsh
