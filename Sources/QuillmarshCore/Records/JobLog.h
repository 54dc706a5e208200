#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmarsh {

// One chunk of a job's runner log, the answer of GET /jobs/<id>/log. The positions are the
// agent's: the app only compares them and sends next back as "?since=".
struct JobLog {
    std::int64_t start = 0;  // where text begins in the agent's log
    std::int64_t next = 0;   // the cursor for the following chunk
    std::int64_t size = 0;
    std::string text;  // possibly empty
    bool running = false;
    std::string source;  // empty when the agent has no log for the job

    bool operator==(const JobLog&) const = default;

    // Throws DecodeError; all six keys are required.
    static JobLog decode(const nlohmann::json& json);
    static JobLog parse(std::string_view body);
};

} // namespace quillmarsh
