#pragma once

#include "Records/FinishedJob.h"
#include "Records/RunningJob.h"

#include <nlohmann/json_fwd.hpp>

#include <string_view>
#include <vector>

namespace quillmarsh {

// The agent's answer to GET /jobs (and GET /jobs?limit=50), both lists in the agent's order.
struct JobsSnapshot {
    std::vector<RunningJob> running;
    std::vector<FinishedJob> recent;

    bool operator==(const JobsSnapshot&) const = default;

    // Throws DecodeError; both arrays are required and one bad element fails the whole snapshot.
    static JobsSnapshot decode(const nlohmann::json& json);
    // Parses the body of GET /jobs strictly (JsonText::parse), then decodes it.
    static JobsSnapshot parse(std::string_view body);
};

} // namespace quillmarsh
