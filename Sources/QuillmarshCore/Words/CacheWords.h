#pragma once

#include "Records/CachesReport.h"
#include "Time/Calendar.h"
#include "Time/Date.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The Caches pane's wording of a report. Pure: nothing here reads the clock.
class CacheWords {
public:
    // Decimal units: "12 GB", "1.2 GB", "640 MB"; no count gives "".
    static std::string size(std::optional<std::int64_t> bytes);
    // "Clears after its job", "In use", a capitalised relative time, or "Never".
    static std::string lastUsed(const CachesReport::Entry& entry, Date now, const Calendar& calendar);
    // "main", "main + 2"; none without branches.
    static std::optional<std::string> branches(const CachesReport::Entry& entry);
    // The cached tools in one line: "Node 20 and 18, Go 1.22, Python 3".
    static std::string tools(const std::vector<std::string>& versions);
    // A tool folder's display name: "Node", "Go", "Java", or the folder name capitalised.
    static std::string toolName(std::string_view text);
};

} // namespace quillmarsh
