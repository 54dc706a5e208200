#pragma once

#include "Foundation/RawValue.h"

#include <array>

namespace quillmarsh {

// When this Mac takes jobs, derived from the policy flags "plugged_in_only" and "idle_only".
enum class RunsJobs { whenPluggedIn, always, whenPluggedInAndNotInUse };

// Not plugged-in-only: always (whatever idleOnly says); else idleOnly adds "not in use".
constexpr RunsJobs runsJobs(bool pluggedInOnly, bool idleOnly) {
    if (!pluggedInOnly) return RunsJobs::always;
    return idleOnly ? RunsJobs::whenPluggedInAndNotInUse : RunsJobs::whenPluggedIn;
}

template <>
constexpr auto allCases<RunsJobs>() {
    return std::array{RunsJobs::whenPluggedIn, RunsJobs::always, RunsJobs::whenPluggedInAndNotInUse};
}

} // namespace quillmarsh
