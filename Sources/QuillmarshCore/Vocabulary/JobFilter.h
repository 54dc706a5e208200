#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// The Jobs pane's filter; its raw values are also its titles.
enum class JobFilter { all, running, failed };

std::string_view rawValue(JobFilter filter);  // "All", "Running", "Failed"
template <>
std::optional<JobFilter> fromRaw<JobFilter>(std::string_view text);
template <>
constexpr auto allCases<JobFilter>() {
    return std::array{JobFilter::all, JobFilter::running, JobFilter::failed};
}

} // namespace quillmarsh
