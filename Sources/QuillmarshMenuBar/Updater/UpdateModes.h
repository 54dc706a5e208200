#pragma once

#include "Platform/HttpClient.h"

#include <chrono>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quillmarsh {

// The two one-shot update modes of the app's command line; both print to the given stream and
// return the process's exit status.
class UpdateModes {
public:
    // --check-update: the downloads line, then the latest and decision lines, or one error line
    // (also when the latest file does not arrive within deadline). Always 0.
    static int checkUpdate(const std::map<std::string, std::string>& environment, std::ostream& out,
                           std::chrono::milliseconds deadline = HttpClient::smallFileDeadline);

    // The path and version that follow the first "--verify-app", when two more arguments follow it.
    static std::optional<std::pair<std::string, std::string>> verifyArguments(const std::vector<std::string>& arguments);
    // --verify-app PATH VERSION: the ok line and 0, or the refused line and 1.
    static int verifyApp(const std::string& path, const std::string& version, std::ostream& out);

    // The process environment as a map.
    static std::map<std::string, std::string> processEnvironment();
};

} // namespace quillmarsh
