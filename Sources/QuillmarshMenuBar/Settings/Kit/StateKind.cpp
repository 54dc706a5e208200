#include "Settings/Kit/StateKind.h"

#include <algorithm>
#include <cmath>

namespace quillmarsh {

StateKind StateKind::of(const JobState& state) {
    switch (state.kind()) {
    case JobState::Case::running: return running(state.progress());
    case JobState::Case::starting: return running();
    case JobState::Case::succeeded: return succeeded();
    case JobState::Case::failed: return failed();
    case JobState::Case::cancelled:
    case JobState::Case::stopped: return cancelled();
    }
    return pending();
}

StateKind StateKind::of(StepState state) {
    switch (state) {
    case StepState::succeeded: return succeeded();
    case StepState::failed: return failed();
    case StepState::running: return running();
    case StepState::pending: return pending();
    case StepState::skipped: return skipped();
    case StepState::cancelled: return cancelled();
    }
    return pending();
}

double StateKind::arcEnd() const {
    const double end = fraction.value_or(0.3);
    // A fraction that is not a number draws the smallest arc rather than none.
    if (std::isnan(end)) return 0.08;
    return std::clamp(end, 0.08, 1.0);
}

} // namespace quillmarsh
