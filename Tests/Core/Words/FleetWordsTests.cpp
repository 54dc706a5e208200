#include "Records/FleetMachine.h"
#include "Support/LondonTime.h"
#include "Time/Calendar.h"
#include "Words/FleetWords.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace quillmarsh;
using test::london;
using test::londonTime;

namespace {

FleetMachine machine(std::string routing, std::string status, std::string os = "macos", std::string arch = "arm64") {
    FleetMachine m;
    m.id = "m";
    m.routing = std::move(routing);
    m.status = std::move(status);
    m.os = std::move(os);
    m.arch = std::move(arch);
    return m;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += (out.empty() ? "" : " | ") + line;
    return out;
}

} // namespace

TEST(FleetWordsTest, HardwareVariantsDropOnePriorityAtATime) {
    FleetMachine linuxHost = machine("primary", "online", "linux", "x64");
    linuxHost.cpuCores = 8;
    linuxHost.memoryGb = 16;
    linuxHost.isolation = "vm";

    FleetMachine mac = machine("backup", "online");
    mac.cpuCores = 10;
    mac.memoryGb = 32;
    mac.labels = {"self-hosted", "macos-15", "linux-arm64"};

    FleetMachine container = machine("off", "online", "linux", "arm64");
    container.isolation = "container";
    container.cpuCores = 8;

    FleetMachine macContainer = machine("primary", "online");
    macContainer.isolation = "container";
    macContainer.labels = {"macos"};
    macContainer.memoryGb = 16;

    FleetMachine plainMac = machine("standby  node", "online");
    plainMac.cpuCores = 1;
    plainMac.memoryGb = 0;
    plainMac.labels = {"self-hosted", "MACOS"};

    FleetMachine linuxLabels = machine("primary", "online");
    linuxLabels.labels = {"linux"};

    FleetMachine noRouting = machine("", "online", "linux", "x64");
    noRouting.cpuCores = 4;

    FleetMachine bare = machine("", "online");

    const std::pair<FleetMachine, const char*> cases[] = {
        {linuxHost, "Primary, x86-64 Linux host, 8 cores, 16 GB | Primary, 8 cores, 16 GB | Primary, 8 cores | Primary"},
        {mac, "Backup, 10 cores, 32 GB, macOS and Linux | Backup, 10 cores, 32 GB | Backup, 10 cores | Backup"},
        {container, "Off, arm64 Linux host, container isolation | Off, arm64 Linux host | Off"},
        {macContainer, "Primary, container isolation | Primary"},
        {plainMac, "Standby  Node, 1 cores | Standby  Node"},
        {linuxLabels, "Primary, Linux | Primary"},
        // An empty routing word leaves no dangling separator at the start of a line.
        {noRouting, "x86-64 Linux host, 4 cores | 4 cores | "},
        {bare, ""},
    };
    for (const auto& [m, expected] : cases) EXPECT_EQ(joined(FleetWords::hardwareVariants(m)), expected) << expected;
    EXPECT_EQ(FleetWords::hardwareVariants(bare).size(), 1u);
}

TEST(FleetWordsTest, PillActivityAndSummary) {
    auto with = [](FleetMachine m, std::int64_t jobs) {
        m.runningJobs = jobs;
        return m;
    };
    const std::tuple<FleetMachine, const char*, PillTone> pills[] = {
        {with(machine("primary", "offline"), 2), "Offline", PillTone::quiet},
        {machine("primary", "needs_update"), "Needs update", PillTone::warning},
        {machine("primary", "paused"), "Paused", PillTone::quiet},
        {with(machine("primary", "draining"), 1), "Finishing up", PillTone::accent},
        {with(machine("off", "online"), 2), "Running 2 jobs", PillTone::accent},
        {with(machine("primary", "online"), 1), "Running 1 job", PillTone::accent},
        {machine("off", "online"), "Off", PillTone::quiet},
        {machine("primary", "Online"), "Ready", PillTone::good},
    };
    for (const auto& [m, text, tone] : pills) EXPECT_EQ(FleetWords::pill(m), (FleetWords::Pill{text, tone})) << text;

    const Date now = londonTime(2026, 12, 10, 10, 0);
    FleetMachine offline = with(machine("primary", "offline"), 1);
    offline.runningSince = "2026-12-10T09:00:00Z";
    offline.lastJobAt = "2026-12-10T09:00:00Z";
    FleetMachine seen = offline;
    seen.lastHeartbeatAt = "2026-12-10T09:55:00.5Z";
    FleetMachine running = with(machine("primary", "online"), 1);
    running.runningSince = "2026-12-10T07:00:00Z";
    running.lastJobAt = "2026-12-09T09:00:00Z";
    FleetMachine badSince = running;
    badSince.runningSince = "soon";
    FleetMachine idle = badSince;
    idle.runningJobs = 0;
    idle.runningSince = "2026-12-10T07:00:00Z";
    FleetMachine unreadable = machine("primary", "online");
    unreadable.lastJobAt = "not a time";
    const std::pair<FleetMachine, const char*> activities[] = {
        {offline, "Not seen yet"},          {seen, "Seen 4 min ago"},
        {running, "Started 3 h ago"},       {badSince, "Last job yesterday"},
        {idle, "Last job yesterday"},       {unreadable, "No jobs yet"},
    };
    for (const auto& [m, text] : activities) EXPECT_EQ(FleetWords::activity(m, now, london()), text) << text;

    const std::pair<std::vector<FleetMachine>, const char*> summaries[] = {
        {{}, "0 machines, 0 taking jobs"},
        {{machine("primary", "online")}, "1 machine, 1 taking jobs"},
        {{machine("primary", "online"), machine("backup", "draining"), machine("primary", "paused")},
         "3 machines, 2 taking jobs"},
        {{with(machine("off", "online"), 2), machine("primary", "offline")}, "2 machines, 0 taking jobs"},
    };
    for (const auto& [list, text] : summaries) EXPECT_EQ(FleetWords::summary(list), text);
}
