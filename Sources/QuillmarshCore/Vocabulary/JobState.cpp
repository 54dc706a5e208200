#include "Vocabulary/JobState.h"

namespace quillmarsh {

JobState JobState::of(std::string_view conclusion) {
    if (conclusion == "success") return succeeded();
    if (conclusion == "cancelled") return cancelled();
    if (conclusion == "host_stopped") return stopped();
    return failed();
}

std::string_view JobState::word() const {
    switch (case_) {
    case Case::running: return "Running";
    case Case::starting: return "Starting";
    case Case::succeeded: return "Succeeded";
    case Case::failed: return "Failed";
    case Case::cancelled: return "Cancelled";
    case Case::stopped: return "Stopped";
    }
    return "Failed";
}

} // namespace quillmarsh
