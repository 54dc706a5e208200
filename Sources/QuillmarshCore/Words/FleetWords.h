#pragma once

#include "Records/FleetMachine.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Vocabulary/PillTone.h"

#include <string>
#include <vector>

namespace quillmarsh {

// The Machines pane's wording of the Fleet. Pure: nothing here reads the clock.
class FleetWords {
public:
    struct Pill {
        std::string text;
        PillTone tone = PillTone::good;
        bool operator==(const Pill&) const = default;
    };

    // The hardware line from its longest to its shortest form; never empty. Each shorter form
    // drops the parts of one priority (labels or isolation, then host, memory, cores).
    static std::vector<std::string> hardwareVariants(const FleetMachine& machine);
    static Pill pill(const FleetMachine& machine);
    // "Seen 5 min ago", "Not seen yet", "Started 3 h ago", "Last job yesterday", "No jobs yet".
    static std::string activity(const FleetMachine& machine, Date now, const Calendar& calendar);
    // "3 machines, 2 taking jobs".
    static std::string summary(const std::vector<FleetMachine>& machines);
};

} // namespace quillmarsh
