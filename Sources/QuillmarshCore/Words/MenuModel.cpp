#include "Words/MenuModel.h"

#include "Foundation/NumberText.h"
#include "Foundation/Saturating.h"
#include "Foundation/Text.h"
#include "Time/DateText.h"
#include "Time/RFC3339.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>

namespace quillmarsh {

std::optional<Date> MenuModel::parseRFC3339(std::string_view text) { return RFC3339::parse(text); }

std::string MenuModel::rfc3339(Date date) { return RFC3339::format(date); }

namespace {

// Whole seconds from `from` to `to`, truncated toward zero; saturates for far-apart dates.
std::int64_t wholeSeconds(Date from, Date to) {
    return Saturating::subtract(to.millisecondsSince1970(), from.millisecondsSince1970()) / 1000;
}

std::optional<Date> parsed(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return RFC3339::parse(*text);
}

std::string number(std::int64_t value) { return NumberText::integer(value); }

// round(mib / 1024), half away from zero.
std::int64_t wholeGB(std::int64_t mib) {
    return NumberText::roundHalfAwayFromZero(static_cast<double>(mib) / 1024.0);
}

bool isASCIIAlphanumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The "d MMM" date of a paused-until day. Finding a locale's best pattern for a skeleton builds an
// ICU pattern generator, which costs far more than the rest of a menu render, so the pattern is
// remembered per locale; the result depends only on the locale and the skeleton, so texts stay
// exactly as without the cache. The formatter itself is still made anew on every call.
std::string dayAndMonth(Date date, const Calendar& calendar, const Locale& locale) {
    static constexpr const char* skeleton = "d MMM";
    static std::mutex mutex;
    static std::map<std::string, std::string> patterns;  // by full locale name, keywords included
    const std::string key = locale.identifier();
    std::string pattern;
    {
        std::lock_guard lock(mutex);
        if (const auto found = patterns.find(key); found != patterns.end()) pattern = found->second;
    }
    if (pattern.empty()) {
        pattern = DateText::bestPattern(skeleton, locale);
        std::lock_guard lock(mutex);
        if (patterns.size() >= 64) patterns.clear();  // a process uses a handful of locales at most
        patterns.emplace(key, pattern);
    }
    return DateText::pattern(date, pattern, calendar, locale);
}

} // namespace

AlertText MenuModel::quitAlert() {
    return {"Jobs keep running on this Mac",
            "Quitting closes the menu only. The Quillmarsh agent keeps taking jobs; choose Pause first to stop new "
            "ones.",
            "Quit"};
}

MenuIcon MenuModel::icon(const std::optional<AgentStatus>& status, Date now, const Calendar& calendar,
                         const Locale& locale) {
    if (!status) return {IconLook::needsAttention, "Agent not running"};
    if (auto text = attention(*status, now)) return {IconLook::needsAttention, std::move(*text)};
    if (status->isPaused()) return {IconLook::paused, pausedTooltip(status->pausedUntil, now, calendar, locale)};
    if (status->runningJobs == 1) return {IconLook::running, "1 job running"};
    if (status->runningJobs >= 2) return {IconLook::running, number(status->runningJobs) + " jobs running"};
    if (auto text = holdingBack(*status)) return {IconLook::holdingBack, std::move(*text)};
    return {IconLook::idle, "Quillmarsh, ready"};
}

std::optional<std::string> MenuModel::attention(const AgentStatus& status, Date now) {
    if (status.state == AgentStatus::State::offline) return "Offline, reconnecting";
    if (status.updateError && !status.updateError->empty()) return "Update needed";
    if (status.state == AgentStatus::State::needsUpdate) {
        if (const auto since = parsed(status.needsUpdateSince);
            since && Saturating::subtract(now.millisecondsSince1970(), since->millisecondsSince1970()) >=
                         updateStuckAfter * 1000)
            return "Update needed";
    }
    if (status.imageBuild && status.imageBuild->state == "needs_human") return "Image build needs you";
    return std::nullopt;
}

std::optional<std::string> MenuModel::holdingBack(const AgentStatus& status) {
    const std::string_view waiting = status.waiting ? std::string_view(*status.waiting) : std::string_view();
    if (waiting == "on_battery") return "Waiting for power";
    if (waiting == "in_use") return "Waiting until you're away";
    if (waiting == "memory") return "Short on memory";
    if (waiting == "thermal") return "Cooling down";
    if (waiting == "comfort") return "Easing off to keep this Mac cool";
    if (waiting == "low_power") return "Low Power Mode is on";
    if (waiting == "pool_consent") return "Waiting for you to join your organisation's Fleet";
    if (waiting == "draining" || waiting == "exclusive") return "Finishing up";
    if (!waiting.empty()) return "Not taking new jobs right now";
    if (status.state == AgentStatus::State::draining) return "Finishing up";
    if (status.state == AgentStatus::State::needsUpdate) return "Updating the agent";
    if (status.routing == "off") return "Off, takes no jobs";
    return std::nullopt;
}

std::string MenuModel::pausedTooltip(const std::optional<std::string>& until, Date now, const Calendar& calendar,
                                     const Locale& locale) {
    const auto end = parsed(until);
    if (!end) return "Paused until you resume";
    if (calendar.isSameDay(*end, now)) return "Paused until " + DateText::shortTime(*end, calendar, locale);
    if (const auto tomorrow = calendar.byAddingDays(1, now); tomorrow && calendar.isSameDay(*end, *tomorrow))
        return "Paused until " + DateText::shortTime(*end, calendar, locale) + " tomorrow";
    return "Paused until " + dayAndMonth(*end, calendar, locale);
}

std::vector<std::string> MenuModel::optionLines(const std::optional<AgentStatus>& status, Date now) {
    if (!status) return {"Agent not answering"};
    std::string agent = "Agent ";
    agent += status->version && !status->version->empty() ? *status->version : std::string("unknown");
    if (const auto heartbeat = parsed(status->lastHeartbeat)) {
        const std::int64_t s = std::max<std::int64_t>(0, wholeSeconds(*heartbeat, now));
        agent += s <= 59 ? ", heartbeat " + number(s) + " s ago" : ", heartbeat " + ago(*heartbeat, now);
    } else {
        agent += ", no heartbeat yet";
    }
    const std::int64_t running = std::max<std::int64_t>(0, status->runningJobs);
    const std::int64_t total = std::max(running, status->capacity);
    std::string slots = number(running) + " of " + number(total) + " VM " + (total == 1 ? "slot" : "slots") + " in use";
    return {std::move(agent), std::move(slots)};
}

std::string MenuModel::ago(Date date, Date now) {
    const std::int64_t s = wholeSeconds(date, now);
    if (s < 60) return "just now";
    if (s < 3600) return number(s / 60) + " min ago";
    if (s < 86400) return number(s / 3600) + " hr ago";
    if (s < 2 * 86400) return "yesterday";
    return number(s / 86400) + " days ago";
}

std::string MenuModel::timeLine(const RunningJob& job) {
    if (!job.started) return "starting";
    if (job.expectedSeconds < 1) return elapsed(job.elapsedSeconds);
    const std::int64_t left = Saturating::subtract(job.expectedSeconds, job.elapsedSeconds);
    if (left < 30) return "almost done";
    if (left < 90) return "1 min left";
    return number(NumberText::roundHalfAwayFromZero(static_cast<double>(left) / 60.0)) + " min left";
}

std::optional<double> MenuModel::progress(const RunningJob& job) {
    if (!job.started || job.expectedSeconds < 1) return std::nullopt;
    const double fraction = static_cast<double>(job.elapsedSeconds) / static_cast<double>(job.expectedSeconds);
    return std::clamp(fraction, 0.02, 0.97);
}

std::string MenuModel::jobName(const RunningJob& job) { return job.name.empty() ? job.workflow : job.name; }

std::string MenuModel::elapsed(std::int64_t seconds) {
    if (seconds <= 59) return number(std::max<std::int64_t>(0, seconds)) + " s";
    if (seconds < 3600) return number(seconds / 60) + " min";
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = seconds / 60 % 60;
    return minutes == 0 ? number(hours) + " hr" : number(hours) + " hr " + number(minutes) + " min";
}

std::string MenuModel::duration(std::int64_t seconds) {
    if (seconds <= 59) return number(seconds) + " s";
    const std::int64_t minutes = seconds / 60;
    if (seconds % 60 == 0) return number(minutes) + " min";
    return number(minutes) + " min " + number(seconds % 60) + " s";
}

std::string MenuModel::aboutLeft(std::int64_t seconds) {
    if (seconds < 0) return {};
    if (seconds <= 59) return "Less than a minute left";
    const std::int64_t minutes =
        std::max<std::int64_t>(1, NumberText::roundHalfAwayFromZero(static_cast<double>(seconds) / 60.0));
    return "About " + number(minutes) + " min left";
}

std::string MenuModel::gb(std::int64_t mib, int decimals) {
    const double value = static_cast<double>(mib) / 1024.0;
    // A negative count of decimals means none: the whole number.
    if (decimals > 0 && value != std::trunc(value)) return NumberText::fixed(value, decimals) + " GB";
    return number(NumberText::roundHalfAwayFromZero(value)) + " GB";
}

std::string MenuModel::memoryLine(const HostInfo& host) {
    const std::string total = number(wholeGB(host.memoryMiB));
    if (host.memoryUsedMiB < 0) return total + " GB";
    return NumberText::fixed(static_cast<double>(host.memoryUsedMiB) / 1024.0, 1) + " of " + total + " GB";
}

std::string MenuModel::coresLine(const HostInfo& host) {
    if (host.efficiencyCores < 1) return number(host.cores) + " cores";
    return number(host.cores) + " cores (" + number(host.performanceCores) + " performance)";
}

std::string MenuModel::guestLine(const HostInfo::Guest& guest) {
    if (guest.cpus == 0) return "Sized when a job starts";
    return number(guest.cpus) + " cores, " + number(wholeGB(guest.memoryMiB)) + " GB";
}

std::string MenuModel::displayName(std::string_view name) {
    std::string spaced(name);
    std::replace(spaced.begin(), spaced.end(), '-', ' ');
    std::string trimmed = Text::trimmingWhitespace(spaced);
    return trimmed.empty() ? std::string(name) : trimmed;
}

std::string MenuModel::shortRepository(std::string_view text) {
    std::string_view last;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t slash = text.find('/', start);
        if (slash == std::string_view::npos) slash = text.size();
        if (slash > start) last = text.substr(start, slash - start);
        start = slash + 1;
    }
    return last.empty() ? std::string(text) : std::string(last);
}

AlertText MenuModel::stopJobsAlert(std::int64_t running) {
    static constexpr std::string_view newJobs = " New jobs still come to this Mac; use Pause to stop those too.";
    if (running >= 2)
        return {"Stop " + number(running) + " running jobs on this Mac?",
                "They stop here now and re-run on GitHub-hosted." + std::string(newJobs), "Stop Jobs"};
    return {"Stop the running job on this Mac?", "It stops here now and re-runs on GitHub-hosted." + std::string(newJobs),
            "Stop Job"};
}

bool MenuModel::isGitHubLogin(std::string_view text) {
    if (text.empty() || text.size() > 39) return false;
    if (text.front() == '-' || text.back() == '-' || text.find("--") != std::string_view::npos) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '-' || isASCIIAlphanumeric(c); });
}

std::optional<std::string> MenuModel::setupCommand(std::string_view login) {
    const std::string trimmed = Text::trimmingWhitespace(login);
    if (!isGitHubLogin(trimmed)) return std::nullopt;
    return "npx quillmarsh runner add --org " + trimmed + " --yes";
}

std::optional<std::string> MenuModel::ghLogin(std::string_view hostsYAML) {
    const std::string header = std::string(gitHubHost) + ":";
    bool inSection = false;
    for (const std::string& line : Text::split(hostsYAML, '\n')) {
        const std::string trimmed = Text::trimmingWhitespace(line);
        if (trimmed.empty() || line.front() == '#') continue;
        if (line.front() != ' ' && line.front() != '\t') {
            inSection = trimmed == header;
            continue;
        }
        if (!inSection) continue;
        const std::size_t indent = line.find_first_not_of(" \t");
        if (indent >= 5 || !trimmed.starts_with("user:")) continue;
        std::string value = Text::trimmingWhitespace(std::string_view(trimmed).substr(5));
        const std::size_t first = value.find_first_not_of("\"'");
        if (first == std::string::npos) return std::nullopt;
        value = value.substr(first, value.find_last_not_of("\"'") - first + 1);
        if (!isGitHubLogin(value)) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

} // namespace quillmarsh
