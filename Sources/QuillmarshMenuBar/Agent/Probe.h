#pragma once

#include "Agent/AgentClient.h"
#include "Agent/AgentError.h"
#include "Records/AccountInfo.h"
#include "Records/AgentStatus.h"
#include "Records/HostInfo.h"
#include "Records/JobsSnapshot.h"

#include <ostream>
#include <string>

namespace quillmarsh {

// The --probe mode: a short account of the local agent as the app sees it. Each line's items
// are joined by single spaces, empty items included; lines end in a line feed. Control
// characters in an item are written as "\u" escapes (Text::escapedControls), so whatever the
// agent says, each line is one line and no text reaches the terminal as an escape sequence.
class Probe {
public:
    static std::string socketLine(const std::string& socketPath, bool available);
    static std::string statusLine(const AgentStatus& status);
    static std::string jobsLine(const JobsSnapshot& jobs);
    static std::string hostLine(const HostInfo& host);
    static std::string accountLine(const AccountInfo& account);
    static std::string errorLine(const AgentError& error);

    // The state's case name ("needsUpdate"), not its wire value.
    static std::string caseName(AgentStatus::State state);

    // Prints the socket line, then GET /status, /jobs, /host and /account one by one, each line
    // as soon as its answer is decoded; the first failure prints the error line and ends the
    // sequence. Returns the exit status, always 0.
    static int run(const AgentClient& client, std::ostream& out);
};

} // namespace quillmarsh
