#include "Vocabulary/JobFilter.h"

namespace quillmarsh {

std::string_view rawValue(JobFilter filter) {
    switch (filter) {
    case JobFilter::all: return "All";
    case JobFilter::running: return "Running";
    case JobFilter::failed: return "Failed";
    }
    return "All";
}

template <>
std::optional<JobFilter> fromRaw<JobFilter>(std::string_view text) {
    for (JobFilter filter : allCases<JobFilter>()) {
        if (rawValue(filter) == text) return filter;
    }
    return std::nullopt;
}

} // namespace quillmarsh
