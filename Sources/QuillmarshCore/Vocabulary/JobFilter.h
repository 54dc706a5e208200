#pragma once

#include "Foundation/RawValue.h"

#include <array>
#include <optional>
#include <string_view>

namespace quillmarsh {

// The Jobs pane's filter; its raw values are also its titles.
enum class JobFilter { all, running, failed };

template <>
struct RawValues<JobFilter> {
    static constexpr auto table = std::to_array<RawEntry<JobFilter>>({
        {JobFilter::all, "All"},
        {JobFilter::running, "Running"},
        {JobFilter::failed, "Failed"},
    });
};

} // namespace quillmarsh
