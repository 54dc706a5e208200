#pragma once

#include "Time/Calendar.h"
#include "Time/Date.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The settings window's shared text functions. Pure: nothing here reads the clock.
class WindowWords {
public:
    // What a pane shows in place of its data while the agent does not answer.
    static constexpr std::string_view agentNotRunning = "The Quillmarsh agent is not running on this Mac.";

    // How long ago date was: "just now", "5 min ago", "3 h ago", "yesterday", "3 days ago",
    // then "4 Mar" (this year) or "4 Mar 25" (another year) in calendar's time zone.
    static std::string ago(Date date, Date now, const Calendar& calendar);
    // The first character upper-cased, the rest unchanged.
    static std::string capitalized(std::string_view text);
    // Every word's first letter upper-cased and the rest lower-cased; words are separated by
    // white space and line breaks, which stay as they are.
    static std::string capitalizedWords(std::string_view text);
    // A git ref for display: branch and tag names without their prefix, "pull request 42".
    static std::optional<std::string> ref(const std::optional<std::string>& ref);
    // "macOS VM" when the runner label contains "macos", else "Linux VM".
    static std::string vmKind(std::string_view label);
    // The text without the terminal control sequences ESC "[" [0-9;?]* [A-Za-z]. A lone escape
    // character, or one that starts anything else, stays. Runs in one pass, without recursion.
    static std::string stripANSI(std::string_view text);
};

} // namespace quillmarsh
