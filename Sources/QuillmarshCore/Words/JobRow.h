#pragma once

#include "Vocabulary/JobState.h"

#include <optional>
#include <string>

namespace quillmarsh {

// One row of the Jobs pane, identified by id. Built by JobsList.
struct JobRow {
    std::string id;
    std::string repository;      // the short name
    std::string fullRepository;  // owner/name as the agent gave it
    std::string name;
    std::string meta;      // the second line: facts joined with ", "
    std::string trailing;  // the time text at the row's end
    JobState state = JobState::starting();
    std::optional<std::string> runURL;

    bool operator==(const JobRow&) const = default;
};

} // namespace quillmarsh
