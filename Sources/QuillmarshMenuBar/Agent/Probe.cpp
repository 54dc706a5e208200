#include "Agent/Probe.h"

#include "Foundation/FileIO.h"
#include "Foundation/Text.h"
#include "Words/MenuModel.h"

#include <initializer_list>

namespace quillmarsh {

namespace {

// Every item escaped: most come from the agent (or, for the socket path, the environment), and
// a line feed or an escape sequence in one must neither forge a line nor reach the terminal.
std::string joined(std::initializer_list<std::string> items) {
    std::string line;
    bool first = true;
    for (const auto& item : items) {
        if (!first) line += ' ';
        line += Text::escapedControls(item);
        first = false;
    }
    return line + '\n';
}

} // namespace

std::string Probe::caseName(AgentStatus::State state) {
    switch (state) {
    case AgentStatus::State::online: return "online";
    case AgentStatus::State::offline: return "offline";
    case AgentStatus::State::paused: return "paused";
    case AgentStatus::State::draining: return "draining";
    case AgentStatus::State::needsUpdate: return "needsUpdate";
    }
    return "offline";
}

std::string Probe::socketLine(const std::string& socketPath, bool available) {
    return joined({"socket:", socketPath, "available:", available ? "true" : "false"});
}

std::string Probe::statusLine(const AgentStatus& status) {
    return joined({"status:", caseName(status.state), "running:", std::to_string(status.runningJobs),
                   "waiting:", status.waiting.value_or(""), "routing:", status.routing.value_or("")});
}

std::string Probe::jobsLine(const JobsSnapshot& jobs) {
    return joined({"jobs:", std::to_string(jobs.running.size()), "running,", std::to_string(jobs.recent.size()),
                   "recent"});
}

std::string Probe::hostLine(const HostInfo& host) {
    return joined({"host:", host.chip.value_or(""), std::to_string(host.cores), "cores",
                   MenuModel::memoryLine(host), host.comfortable ? "comfortable" : host.reason.value_or("")});
}

std::string Probe::accountLine(const AccountInfo& account) {
    return joined({"account:", account.owner, account.machineName, account.dashboardUrl});
}

std::string Probe::errorLine(const AgentError& error) { return joined({"error:", error.errorDescription()}); }

int Probe::run(const AgentClient& client, std::ostream& out) {
    // The file test is reported but does not stop the probe: the requests are made in any case.
    out << socketLine(client.socketPath(), FileIO::exists(client.socketPath())) << std::flush;
    try {
        out << statusLine(client.get<AgentStatus>("/status")) << std::flush;
        out << jobsLine(client.get<JobsSnapshot>("/jobs")) << std::flush;
        out << hostLine(client.get<HostInfo>("/host")) << std::flush;
        out << accountLine(client.get<AccountInfo>("/account")) << std::flush;
    } catch (const AgentError& error) {
        out << errorLine(error) << std::flush;
    }
    return 0;
}

} // namespace quillmarsh
