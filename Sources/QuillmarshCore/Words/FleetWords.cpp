#include "Words/FleetWords.h"

#include "Foundation/NumberText.h"
#include "Time/RFC3339.h"
#include "Words/WindowWords.h"

#include <algorithm>

namespace quillmarsh {

namespace {

struct Part {
    std::string text;
    int priority;
};

std::string routingWord(const std::string& routing) {
    if (routing == "primary") return "Primary";
    if (routing == "backup") return "Backup";
    if (routing == "off") return "Off";
    return WindowWords::capitalizedWords(routing);
}

// The routing word and the parts joined with ", "; an empty routing word adds no separator.
std::string line(const std::string& word, const std::vector<Part>& parts) {
    std::string out = word;
    for (const Part& part : parts) {
        if (!out.empty()) out += ", ";
        out += part.text;
    }
    return out;
}

std::optional<Date> read(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return RFC3339::parse(*text);
}

bool contains(const std::string& text, std::string_view word) { return text.find(word) != std::string::npos; }

} // namespace

std::vector<std::string> FleetWords::hardwareVariants(const FleetMachine& machine) {
    const std::string word = routingWord(machine.routing);
    std::vector<Part> parts;
    if (machine.os != "macos") parts.push_back({(machine.arch == "x64" ? "x86-64" : machine.arch) + " Linux host", 3});
    if (machine.isolation == "container") {
        parts.push_back({"container isolation", 4});
    } else {
        if (machine.cpuCores && *machine.cpuCores >= 1) parts.push_back({NumberText::integer(*machine.cpuCores) + " cores", 1});
        if (machine.memoryGb && *machine.memoryGb >= 1) parts.push_back({NumberText::integer(*machine.memoryGb) + " GB", 2});
        if (machine.os == "macos") {
            const bool forMac = std::any_of(machine.labels.begin(), machine.labels.end(),
                                         [](const std::string& label) { return contains(label, "macos"); });
            const bool forLinux = std::any_of(machine.labels.begin(), machine.labels.end(),
                                           [](const std::string& label) { return contains(label, "linux"); });
            if (forMac && forLinux) parts.push_back({"macOS and Linux", 4});
            else if (forLinux) parts.push_back({"Linux", 4});
            else if (forMac) parts.push_back({"macOS", 4});
        }
    }
    std::vector<std::string> lines{line(word, parts)};
    for (int priority : {4, 3, 2, 1}) {
        const auto removed = std::erase_if(parts, [priority](const Part& part) { return part.priority == priority; });
        if (removed > 0) lines.push_back(line(word, parts));
    }
    return lines;
}

FleetWords::Pill FleetWords::pill(const FleetMachine& machine) {
    if (machine.status == "offline") return {"Offline", PillTone::quiet};
    if (machine.status == "needs_update") return {"Needs update", PillTone::warning};
    if (machine.status == "paused") return {"Paused", PillTone::quiet};
    if (machine.status == "draining") return {"Finishing up", PillTone::accent};
    if (machine.runningJobs >= 1)
        return {"Running " + NumberText::integer(machine.runningJobs) + (machine.runningJobs == 1 ? " job" : " jobs"),
                PillTone::accent};
    if (machine.routing == "off") return {"Off", PillTone::quiet};
    return {"Ready", PillTone::good};
}

std::string FleetWords::activity(const FleetMachine& machine, Date now, const Calendar& calendar) {
    if (machine.status == "offline") {
        const auto seen = read(machine.lastHeartbeatAt);
        return seen ? "Seen " + WindowWords::ago(*seen, now, calendar) : "Not seen yet";
    }
    if (machine.runningJobs >= 1) {
        if (const auto since = read(machine.runningSince)) return "Started " + WindowWords::ago(*since, now, calendar);
    }
    const auto last = read(machine.lastJobAt);
    return last ? "Last job " + WindowWords::ago(*last, now, calendar) : "No jobs yet";
}

std::string FleetWords::summary(const std::vector<FleetMachine>& machines) {
    const auto n = static_cast<std::int64_t>(machines.size());
    const auto taking = std::count_if(machines.begin(), machines.end(), [](const FleetMachine& m) {
        return (m.status == "online" || m.status == "draining") && m.routing != "off";
    });
    return NumberText::integer(n) + (n == 1 ? " machine, " : " machines, ") + NumberText::integer(taking) +
           " taking jobs";
}

} // namespace quillmarsh
