#pragma once

#include "Records/RunningJob.h"

#include <optional>
#include <string>

namespace quillmarsh {

// What a running job's row in the status menu shows.
struct JobRowContent {
    std::string name;        // the job's name, or its workflow when the name is empty
    std::string repository;  // the repository's short name, shown after the name in a quieter colour
    std::string tooltip;     // name, a blank and the short repository
    std::string time;        // "starting", "almost done", "4 min left", or the elapsed time
    // Done so far, 0.02…0.97; none while the job starts or has no expected duration.
    std::optional<double> progress;

    bool operator==(const JobRowContent&) const = default;

    static JobRowContent of(const RunningJob& job);

    // The progress ring's arc in degrees, Qt's way (0 is three o'clock, positive counter-clockwise):
    // it starts straight up and runs clockwise to the progress, or a fixed quarter to three o'clock
    // when there is none.
    static constexpr double arcStart = 90.0;
    static double arcSpan(std::optional<double> progress) { return progress ? -360.0 * *progress : -90.0; }
};

} // namespace quillmarsh
