#pragma once

#include "Records/AgentStatus.h"
#include "Records/HostInfo.h"
#include "Records/RunningJob.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Time/Locale.h"
#include "Vocabulary/MenuIcon.h"
#include "Words/AlertText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmarsh {

// The menu's and windows' wording: pure static functions of records, time, calendar and locale.
// Nothing here reads the clock or keeps state; every date formatter is made anew per call.
class MenuModel {
public:
    // How long the agent may stay in needs_update before the icon asks for attention, in seconds.
    static constexpr std::int64_t updateStuckAfter = 1800;
    static constexpr std::string_view diagnosticsCommand = "quillmarsh doctor";
    static constexpr std::string_view firstRunTitle = "Run CI on This Mac";
    static constexpr std::string_view firstRunLine =
        "GitHub Actions jobs run here, each in a fresh VM that cannot see your files, then wiped.";
    static constexpr std::string_view firstRunLaptopLine =
        "On a laptop, jobs run only when plugged in and you're away.";
    static constexpr std::string_view firstRunSetupNote =
        "Opens the dashboard in your browser. About 2 minutes, then the macOS image builds in the background.";
    static constexpr std::string_view firstRunTerminalNote =
        "Run it on this Mac. It installs the Quillmarsh agent and asks you to approve here.";
    // The control plane's dashboard: an https origin with no path and no trailing "/".
    static constexpr std::string_view defaultDashboardRoot = "https://dashboard.quillmarsh.dev";
    static constexpr std::string_view setupURL = "https://dashboard.quillmarsh.dev/?setup=mac";
    // The product's web site, beside the dashboard, and its page on how the runner works.
    static constexpr std::string_view productSite = "https://quillmarsh.dev";
    static constexpr std::string_view howItWorksURL = "https://quillmarsh.dev/#how-it-works";
    // The public GitHub host whose section of the GitHub CLI's hosts file names the login.
    static constexpr std::string_view gitHubHost = "github.com";
    static constexpr std::string_view setUpItem = "Set Up This Mac\u2026";
    static constexpr std::string_view setUpInTerminalItem = "Set Up in Terminal\u2026";
    static constexpr std::string_view joinFleetItem = "Join Organisation's Fleet\u2026";
    static constexpr std::string_view setupCommandPlaceholder = "npx quillmarsh runner add --org <login> --yes";

    // The sheet shown before quitting the app (the agent goes on running).
    static AlertText quitAlert();

    // RFC3339::parse and RFC3339::format, for the app's callers.
    static std::optional<Date> parseRFC3339(std::string_view text);
    static std::string rfc3339(Date date);

    // The menu-bar icon's look and tooltip; no status means the agent is not running.
    static MenuIcon icon(const std::optional<AgentStatus>& status, Date now, const Calendar& calendar,
                         const Locale& locale);
    // Why the agent needs the user, if it does.
    static std::optional<std::string> attention(const AgentStatus& status, Date now);
    // Why this Mac holds back new jobs, if it does.
    static std::optional<std::string> holdingBack(const AgentStatus& status);
    // "Paused until …" for an RFC 3339 end time: a time today, a time tomorrow, else a day.
    static std::string pausedTooltip(const std::optional<std::string>& until, Date now, const Calendar& calendar,
                                     const Locale& locale);
    // The extra lines of the status menu while the Option key is held.
    static std::vector<std::string> optionLines(const std::optional<AgentStatus>& status, Date now);
    // "just now", "5 min ago", "2 hr ago", "yesterday", "3 days ago".
    static std::string ago(Date date, Date now);

    static std::string timeLine(const RunningJob& job);
    // Fraction done, 0.02…0.97, when the job has started and has an expected run time.
    static std::optional<double> progress(const RunningJob& job);
    static std::string jobName(const RunningJob& job);

    // Whole-second durations: "42 s", "5 min", "1 hr 1 min".
    static std::string elapsed(std::int64_t seconds);
    // "42 s", "2 min", "2 min 5 s".
    static std::string duration(std::int64_t seconds);
    // An image build's time left: "", "Less than a minute left", "About 3 min left".
    static std::string aboutLeft(std::int64_t seconds);

    // MiB as GB of 1024 MiB: with decimals when the value is not whole, else a whole number.
    static std::string gb(std::int64_t mib, int decimals);
    static std::string memoryLine(const HostInfo& host);
    static std::string coresLine(const HostInfo& host);
    static std::string guestLine(const HostInfo::Guest& guest);

    // A machine name with "-" shown as blanks, trimmed; the name itself when nothing is left.
    static std::string displayName(std::string_view name);
    // The last "/"-separated part of a repository ("owner/name" gives "name").
    static std::string shortRepository(std::string_view text);

    static AlertText stopJobsAlert(std::int64_t running);

    // 1 to 39 ASCII letters, digits and "-", no "-" at either end, no "--".
    static bool isGitHubLogin(std::string_view text);
    // The terminal command that sets this Mac up for an organisation, for a valid login.
    static std::optional<std::string> setupCommand(std::string_view login);
    // The login of the public GitHub host in the GitHub CLI's hosts.yml text.
    static std::optional<std::string> ghLogin(std::string_view hostsYAML);
};

} // namespace quillmarsh
