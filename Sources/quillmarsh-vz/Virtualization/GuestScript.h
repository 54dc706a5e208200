#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vz {

// What a simulated guest does, one command a line, after the header line "#!quillmarsh-guest".
// Words are separated by spaces; a word in double quotes may hold spaces and the escapes \n \r \t
// \\ \" and \xHH, and ends at its closing quote. A trailing TEXT takes the rest of the words joined
// by single spaces; a command without one takes exactly its arguments.
class GuestScript {
public:
    static constexpr const char* header = "#!quillmarsh-guest";

    struct Command {
        enum class Kind { fetchConfig, report, reportBytes, sleepMs, poweroff, crash, onStopRequest, bootFail, recordNice };
        Kind kind;
        std::string tag;  // fetch-config, record-nice: the share's tag
        std::string path; // fetch-config, record-nice: the path inside the share
        std::string name; // report, report-bytes
        std::string text; // report, crash, boot-fail
        std::int64_t number = 0; // sleep-ms, report-bytes
        bool obey = true;        // on-stop-request
        int line = 0;
    };

    // Whether `text` begins with the header line (the header, then a line end or nothing).
    static bool beginsWithHeader(std::string_view text);
    // Whether the file at `path` is a regular file that begins with the header line: a guest that
    // the simulated service runs. The open never waits.
    static bool isScriptFile(const std::string& path);

    // Parses a script; none when `text` does not begin with the header line. Throws
    // std::invalid_argument naming the line of a bad command.
    static std::optional<GuestScript> parse(const std::string& text);

    std::vector<Command> commands;
};

} // namespace vz
