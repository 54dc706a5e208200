#include "Support/LondonTime.h"
#include "Time/DateText.h"
#include "Words/MenuModel.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace quillmarsh;
using test::london;
using test::londonTime;

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

AgentStatus onlineStatus() {
    AgentStatus status;
    status.state = AgentStatus::State::online;
    status.runningJobs = 0;
    status.capacity = 1;
    return status;
}

AgentStatus statusWith(const std::function<void(AgentStatus&)>& change) {
    AgentStatus status = onlineStatus();
    change(status);
    return status;
}

RunningJob job(bool started, std::int64_t elapsed, std::int64_t expected) {
    RunningJob job;
    job.started = started;
    job.elapsedSeconds = elapsed;
    job.expectedSeconds = expected;
    return job;
}

// RFC 3339 text of a moment that lies `seconds` before `now`.
std::string before(Date now, double seconds) { return MenuModel::rfc3339(now.adding(-seconds)); }

} // namespace

TEST(MenuModelIconTest, FirstMatchingRuleGivesLookAndTooltip) {
    const Date now = londonTime(2026, 6, 10, 12, 0);
    using State = AgentStatus::State;
    struct Case {
        const char* what;
        std::optional<AgentStatus> status;
        IconLook look;
        std::string tooltip;
    } cases[] = {
        {"no status", std::nullopt, IconLook::needsAttention, "Agent not running"},
        {"offline and paused", statusWith([](AgentStatus& s) { s.state = State::offline; s.waiting = "paused"; }),
         IconLook::needsAttention, "Offline, reconnecting"},
        {"update error", statusWith([](AgentStatus& s) { s.updateError = "disk full"; s.runningJobs = 2; }),
         IconLook::needsAttention, "Update needed"},
        {"empty update error", statusWith([](AgentStatus& s) { s.updateError = ""; }), IconLook::idle,
         "Quillmarsh, ready"},
        {"needs update for 1799 s",
         statusWith([&](AgentStatus& s) { s.state = State::needsUpdate; s.needsUpdateSince = before(now, 1799); }),
         IconLook::holdingBack, "Updating the agent"},
        {"needs update for 1800 s",
         statusWith([&](AgentStatus& s) { s.state = State::needsUpdate; s.needsUpdateSince = before(now, 1800); }),
         IconLook::needsAttention, "Update needed"},
        {"needs update since an unreadable time",
         statusWith([](AgentStatus& s) { s.state = State::needsUpdate; s.needsUpdateSince = "yesterday"; }),
         IconLook::holdingBack, "Updating the agent"},
        {"image build needs the user",
         statusWith([](AgentStatus& s) { s.imageBuild = ImageBuildSummary{}; s.imageBuild->state = "needs_human"; }),
         IconLook::needsAttention, "Image build needs you"},
        {"paused with two jobs running",
         statusWith([](AgentStatus& s) { s.state = State::paused; s.runningJobs = 2; }), IconLook::paused,
         "Paused until you resume"},
        {"paused through waiting", statusWith([](AgentStatus& s) {
             s.waiting = "paused";
             s.pausedUntil = "2026-06-10T17:00:00Z";
         }),
         IconLook::paused, "Paused until 18:00"},
        {"one job while on battery", statusWith([](AgentStatus& s) { s.runningJobs = 1; s.waiting = "on_battery"; }),
         IconLook::running, "1 job running"},
        {"three jobs", statusWith([](AgentStatus& s) { s.runningJobs = 3; }), IconLook::running, "3 jobs running"},
        {"negative job count", statusWith([](AgentStatus& s) { s.runningJobs = -1; }), IconLook::idle,
         "Quillmarsh, ready"},
        {"on battery", statusWith([](AgentStatus& s) { s.waiting = "on_battery"; }), IconLook::holdingBack,
         "Waiting for power"},
        {"ready", onlineStatus(), IconLook::idle, "Quillmarsh, ready"},
    };
    for (const Case& c : cases) {
        const MenuIcon icon = MenuModel::icon(c.status, now, london(), Locale::enGB());
        EXPECT_EQ(icon.look, c.look) << c.what;
        EXPECT_EQ(icon.tooltip, c.tooltip) << c.what;
    }
}

TEST(MenuModelIconTest, PausedPredicateReadsStateAndWaiting) {
    using State = AgentStatus::State;
    EXPECT_TRUE(statusWith([](AgentStatus& s) { s.state = State::paused; }).isPaused());
    EXPECT_TRUE(statusWith([](AgentStatus& s) { s.waiting = "paused"; }).isPaused());
    EXPECT_FALSE(statusWith([](AgentStatus& s) { s.waiting = "Paused"; }).isPaused());
    EXPECT_FALSE(onlineStatus().isPaused());
}

TEST(MenuModelHoldingBackTest, WaitingCodeThenStateThenRouting) {
    using State = AgentStatus::State;
    struct Case {
        std::optional<std::string> waiting;
        State state;
        std::optional<std::string> routing;
        std::optional<std::string> text;
    } cases[] = {
        {"on_battery", State::online, std::nullopt, "Waiting for power"},
        {"in_use", State::online, std::nullopt, "Waiting until you're away"},
        {"memory", State::online, std::nullopt, "Short on memory"},
        {"thermal", State::online, std::nullopt, "Cooling down"},
        {"comfort", State::online, std::nullopt, "Easing off to keep this Mac cool"},
        {"low_power", State::online, std::nullopt, "Low Power Mode is on"},
        {"pool_consent", State::online, std::nullopt, "Waiting for you to join your organisation's Fleet"},
        {"draining", State::online, std::nullopt, "Finishing up"},
        {"exclusive", State::online, std::nullopt, "Finishing up"},
        {"Thermal", State::online, "off", "Not taking new jobs right now"},
        {"paused", State::online, std::nullopt, "Not taking new jobs right now"},
        {"", State::draining, "off", "Finishing up"},
        {std::nullopt, State::needsUpdate, "off", "Updating the agent"},
        {"", State::online, "off", "Off, takes no jobs"},
        {std::nullopt, State::online, "primary", std::nullopt},
        {std::nullopt, State::online, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        AgentStatus status = onlineStatus();
        status.waiting = c.waiting;
        status.state = c.state;
        status.routing = c.routing;
        EXPECT_EQ(MenuModel::holdingBack(status), c.text) << c.waiting.value_or("(none)");
    }
}

TEST(MenuModelPausedTooltipTest, TimeTodayTimeTomorrowOrDay) {
    const Calendar utc = Calendar::utc();
    const Locale us("en_US");
    struct Case {
        const char* what;
        const Calendar& calendar;
        const Locale& locale;
        Date now;
        std::optional<std::string> until;
        std::string text;
    } cases[] = {
        {"no end", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), std::nullopt, "Paused until you resume"},
        {"empty end", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "", "Paused until you resume"},
        {"date without time", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-10",
         "Paused until you resume"},
        {"today", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-10T17:00:00Z",
         "Paused until 18:00"},
        {"today, US", london(), us, londonTime(2026, 6, 10, 12, 0), "2026-06-10T17:00:00.500Z",
         "Paused until 6:00\u202FPM"},
        {"tomorrow", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-11T09:00:00+01:00",
         "Paused until 09:00 tomorrow"},
        {"after midnight in London", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-10T23:30:00Z",
         "Paused until 00:30 tomorrow"},
        {"same moment in UTC", utc, Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-10T23:30:00Z",
         "Paused until 23:30"},
        {"in three days", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-13T09:00:00Z",
         "Paused until 13 Jun"},
        {"in three days, US", london(), us, londonTime(2026, 6, 10, 12, 0), "2026-06-13T09:00:00Z",
         "Paused until Jun 13"},
        {"September", london(), Locale::enGB(), londonTime(2026, 8, 30, 12, 0), "2026-09-03T09:00:00Z",
         "Paused until 3 Sept"},
        {"in the past", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "2026-06-09T09:00:00Z",
         "Paused until 9 Jun"},
        {"far future", london(), Locale::enGB(), londonTime(2026, 6, 10, 12, 0), "9999-12-31T12:00:00Z",
         "Paused until 31 Dec"},
        // The clocks go forward on 29 March: the evening of the 28th to 23:00 on the 29th is only 23 hours,
        // still the next calendar day.
        {"tomorrow across spring forward", london(), Locale::enGB(), londonTime(2026, 3, 28, 23, 30),
         "2026-03-29T22:00:00Z", "Paused until 23:00 tomorrow"},
        // From 01:30 on the 28th, 01:30 on the 29th does not exist; the next day is still the 29th.
        {"tomorrow from a skipped wall time", london(), Locale::enGB(), londonTime(2026, 3, 28, 1, 30),
         "2026-03-29T08:00:00Z", "Paused until 09:00 tomorrow"},
        // The clocks go back on 25 October: that day has 25 hours, all of them today.
        {"late on the long day", london(), Locale::enGB(), londonTime(2026, 10, 25, 0, 30), "2026-10-25T23:59:00Z",
         "Paused until 23:59"},
        {"the day after the long day", london(), Locale::enGB(), londonTime(2026, 10, 24, 23, 30),
         "2026-10-26T00:30:00Z", "Paused until 26 Oct"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MenuModel::pausedTooltip(c.until, c.now, c.calendar, c.locale), c.text) << c.what;
    }
}

TEST(MenuModelOptionLinesTest, VersionHeartbeatAndSlots) {
    const Date now = londonTime(2026, 6, 10, 12, 0);
    using Lines = std::vector<std::string>;
    struct Case {
        std::optional<AgentStatus> status;
        Lines lines;
    } cases[] = {
        {std::nullopt, {"Agent not answering"}},
        {statusWith([&](AgentStatus& s) {
             s.version = "1.4.2";
             s.lastHeartbeat = before(now, 42);
             s.runningJobs = 3;
             s.capacity = 2;
         }),
         {"Agent 1.4.2, heartbeat 42 s ago", "3 of 3 VM slots in use"}},
        {statusWith([](AgentStatus& s) { s.capacity = 1; }),
         {"Agent unknown, no heartbeat yet", "0 of 1 VM slot in use"}},
        {statusWith([&](AgentStatus& s) {
             s.version = "";
             s.lastHeartbeat = before(now, -30);
             s.runningJobs = -2;
             s.capacity = 0;
         }),
         {"Agent unknown, heartbeat 0 s ago", "0 of 0 VM slots in use"}},
        {statusWith([&](AgentStatus& s) { s.lastHeartbeat = before(now, 60);
             s.capacity = 4; }),
         {"Agent unknown, heartbeat 1 min ago", "0 of 4 VM slots in use"}},
        {statusWith([](AgentStatus& s) { s.lastHeartbeat = "2026-06-10T09:59:00.500Z"; }),
         {"Agent unknown, heartbeat 1 hr ago", "0 of 1 VM slot in use"}},
        {statusWith([](AgentStatus& s) { s.lastHeartbeat = "2026-06-10T09:59:00.500"; }),
         {"Agent unknown, no heartbeat yet", "0 of 1 VM slot in use"}},
        {statusWith([](AgentStatus& s) { s.lastHeartbeat = "2026-06-10T09:59:00.500Z"; s.runningJobs = int64Max; }),
         {"Agent unknown, heartbeat 1 hr ago", "9223372036854775807 of 9223372036854775807 VM slots in use"}},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::optionLines(c.status, now), c.lines);
    // 59.5 s is 59 whole seconds, still counted in seconds.
    const AgentStatus status = statusWith([](AgentStatus& s) { s.lastHeartbeat = "2026-06-10T10:59:00.500Z"; });
    EXPECT_EQ(MenuModel::optionLines(status, *MenuModel::parseRFC3339("2026-06-10T11:00:00Z"))[0],
              "Agent unknown, heartbeat 59 s ago");
}

TEST(MenuModelAgoTest, WholeSecondsInSteps) {
    const Date now = londonTime(2026, 6, 10, 12, 0);
    struct Case {
        double secondsAgo;
        std::string text;
    } cases[] = {
        {-5, "just now"},       {0, "just now"},          {59.999, "just now"},      {60, "1 min ago"},
        {3599, "59 min ago"},   {3600, "1 hr ago"},       {86399, "23 hr ago"},      {86400, "yesterday"},
        {172799, "yesterday"},  {172800, "2 days ago"},   {30 * 86400 + 5, "30 days ago"},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::ago(now.adding(-c.secondsAgo), now), c.text) << c.secondsAgo;
    EXPECT_EQ(MenuModel::ago(Date::fromMilliseconds(int64Min), Date::fromMilliseconds(int64Max)),
              "106751991167 days ago");
    EXPECT_EQ(MenuModel::ago(Date::fromMilliseconds(int64Max), Date::fromMilliseconds(int64Min)), "just now");
}

TEST(MenuModelRunningJobTest, TimeLineFromExpectedAndElapsed) {
    struct Case {
        RunningJob job;
        std::string text;
    } cases[] = {
        {job(false, 500, 600), "starting"},
        {job(true, 575, 600), "almost done"},
        {job(true, 571, 600), "almost done"},
        {job(true, 570, 600), "1 min left"},
        {job(true, 520, 600), "1 min left"},
        {job(true, 510, 600), "2 min left"},  // 90 s: 1.5 rounds away from zero
        {job(true, 451, 600), "2 min left"},  // 149 s
        {job(true, 450, 600), "3 min left"},  // 150 s: 2.5 rounds away from zero
        {job(true, 300, 600), "5 min left"},
        {job(true, 900, 600), "almost done"},
        {job(true, int64Min, 1), "153722867280912928 min left"},
        {job(true, int64Max, -1), "2562047788015215 hr 30 min"},
        {job(true, 3660, 0), "1 hr 1 min"},
        {job(true, -5, 0), "0 s"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MenuModel::timeLine(c.job), c.text) << c.job.elapsedSeconds << " of " << c.job.expectedSeconds;
}

TEST(MenuModelRunningJobTest, ProgressIsClampedFraction) {
    struct Case {
        RunningJob job;
        std::optional<double> fraction;
    } cases[] = {
        {job(false, 300, 600), std::nullopt}, {job(true, 300, 0), std::nullopt},
        {job(true, 300, 600), 0.5},           {job(true, 1, 600), 0.02},
        {job(true, -60, 600), 0.02},          {job(true, 700, 600), 0.97},
        {job(true, int64Max, 1), 0.97},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::progress(c.job), c.fraction) << c.job.elapsedSeconds;
}

TEST(MenuModelRunningJobTest, JobNameFallsBackToWorkflow) {
    RunningJob named;
    named.name = "build";
    named.workflow = "CI";
    EXPECT_EQ(MenuModel::jobName(named), "build");
    named.name = "";
    EXPECT_EQ(MenuModel::jobName(named), "CI");
}

TEST(MenuModelDurationTest, ElapsedDurationAndTimeLeft) {
    struct Case {
        std::int64_t seconds;
        std::string elapsed;
        std::string duration;
        std::string aboutLeft;
    } cases[] = {
        {int64Min, "0 s", "-9223372036854775808 s", ""},
        {-5, "0 s", "-5 s", ""},
        {0, "0 s", "0 s", "Less than a minute left"},
        {59, "59 s", "59 s", "Less than a minute left"},
        {60, "1 min", "1 min", "About 1 min left"},
        {89, "1 min", "1 min 29 s", "About 1 min left"},
        {90, "1 min", "1 min 30 s", "About 2 min left"},
        {120, "2 min", "2 min", "About 2 min left"},
        {125, "2 min", "2 min 5 s", "About 2 min left"},
        {150, "2 min", "2 min 30 s", "About 3 min left"},
        {3599, "59 min", "59 min 59 s", "About 60 min left"},
        {3600, "1 hr", "60 min", "About 60 min left"},
        {3660, "1 hr 1 min", "61 min", "About 61 min left"},
        {7199, "1 hr 59 min", "119 min 59 s", "About 120 min left"},
        {90000, "25 hr", "1500 min", "About 1500 min left"},
        {int64Max, "2562047788015215 hr 30 min", "153722867280912930 min 7 s", "About 153722867280912928 min left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MenuModel::elapsed(c.seconds), c.elapsed) << c.seconds;
        EXPECT_EQ(MenuModel::duration(c.seconds), c.duration) << c.seconds;
        EXPECT_EQ(MenuModel::aboutLeft(c.seconds), c.aboutLeft) << c.seconds;
    }
}

TEST(MenuModelSizeTest, GigabytesOf1024MiB) {
    struct Case {
        std::int64_t mib;
        int decimals;
        std::string text;
    } cases[] = {
        {1536, 1, "1.5 GB"},  {2048, 1, "2 GB"},     {1536, 0, "2 GB"},   {1535, 0, "1 GB"},
        {1100, 2, "1.07 GB"}, {1280, 1, "1.2 GB"},   {-1536, 1, "-1.5 GB"}, {-1536, 0, "-2 GB"},
        {1536, -1, "2 GB"},   {0, 1, "0 GB"},        {int64Max, 1, "9007199254740992 GB"},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::gb(c.mib, c.decimals), c.text) << c.mib << "/" << c.decimals;
}

TEST(MenuModelSizeTest, HostLines) {
    struct Case {
        std::int64_t memory, used, cores, performance, efficiency;
        std::string memoryLine, coresLine;
    } cases[] = {
        {16384, 8192, 10, 4, 6, "8.0 of 16 GB", "10 cores (4 performance)"},
        {16384, 0, 8, 8, 0, "0.0 of 16 GB", "8 cores"},
        {16384, -1, 8, 8, -1, "16 GB", "8 cores"},
        {24576, 12345, 12, 8, 4, "12.1 of 24 GB", "12 cores (8 performance)"},
        // "%.1f" keeps the exact tie 1.25 at 1.2, as printf does.
        {16384, 1280, 1, 0, 1, "1.2 of 16 GB", "1 cores (0 performance)"},
        {1536, 100, 4, 4, 0, "0.1 of 2 GB", "4 cores"},
    };
    for (const Case& c : cases) {
        HostInfo host;
        host.memoryMiB = c.memory;
        host.memoryUsedMiB = c.used;
        host.cores = c.cores;
        host.performanceCores = c.performance;
        host.efficiencyCores = c.efficiency;
        EXPECT_EQ(MenuModel::memoryLine(host), c.memoryLine);
        EXPECT_EQ(MenuModel::coresLine(host), c.coresLine);
    }
    struct GuestCase {
        std::int64_t cpus, memory;
        std::string text;
    } guests[] = {
        {0, 8192, "Sized when a job starts"},
        {4, 8192, "4 cores, 8 GB"},
        {4, 7680, "4 cores, 8 GB"},
        {2, 7679, "2 cores, 7 GB"},
    };
    for (const GuestCase& c : guests) {
        HostInfo::Guest guest;
        guest.cpus = c.cpus;
        guest.memoryMiB = c.memory;
        EXPECT_EQ(MenuModel::guestLine(guest), c.text);
    }
}

TEST(MenuModelNamesTest, DisplayNameAndShortRepository) {
    struct Case {
        std::string in, out;
    } names[] = {
        {"studio-a", "studio a"}, {"-mac-mini-", "mac mini"}, {"---", "---"}, {"\tmac mini ", "mac mini"},
        {"mac\n", "mac\n"},       {"", ""},                   {"- \t-", "- \t-"},
        {"mac\u00A0", "mac"},
    };
    for (const Case& c : names) EXPECT_EQ(MenuModel::displayName(c.in), c.out) << c.in;
    Case repositories[] = {
        {"octo/site", "site"}, {"octo/site/", "site"}, {"a//b", "b"}, {"site", "site"},
        {"///", "///"},        {"", ""},
    };
    for (const Case& c : repositories) EXPECT_EQ(MenuModel::shortRepository(c.in), c.out) << c.in;
}

TEST(MenuModelAlertTest, StopJobsAlertBySize) {
    const std::string tail = " New jobs still come to this Mac; use Pause to stop those too.";
    for (std::int64_t running : {int64Min, std::int64_t{0}, std::int64_t{1}}) {
        EXPECT_EQ(MenuModel::stopJobsAlert(running),
                  (AlertText{"Stop the running job on this Mac?",
                             "It stops here now and re-runs on GitHub-hosted." + tail, "Stop Job"}))
            << running;
    }
    EXPECT_EQ(MenuModel::stopJobsAlert(2),
              (AlertText{"Stop 2 running jobs on this Mac?", "They stop here now and re-run on GitHub-hosted." + tail,
                         "Stop Jobs"}));
    EXPECT_EQ(MenuModel::stopJobsAlert(12).title, "Stop 12 running jobs on this Mac?");
}

TEST(MenuModelAlertTest, ItemTitlesEndInOneEllipsisCharacter) {
    for (std::string_view title : {MenuModel::setUpItem, MenuModel::setUpInTerminalItem, MenuModel::joinFleetItem}) {
        ASSERT_GE(title.size(), 3u);
        EXPECT_EQ(title.substr(title.size() - 3), "\u2026") << title;
        EXPECT_EQ(title.find("..."), std::string_view::npos) << title;
    }
    EXPECT_EQ(MenuModel::setupURL, std::string(MenuModel::defaultDashboardRoot) + "/?setup=mac");
    EXPECT_EQ(MenuModel::howItWorksURL, std::string(MenuModel::productSite) + "/#how-it-works");
}

TEST(MenuModelLoginTest, GitHubLoginRules) {
    struct Case {
        std::string text;
        bool valid;
    } cases[] = {
        {"", false},          {"a", true},           {std::string(39, 'a'), true}, {std::string(40, 'a'), false},
        {"-octo", false},     {"octo-", false},      {"oc--to", false},            {"oc-t-o", true},
        {"Octo-Cat9", true},  {"octo_cat", false},   {"octo cat", false},          {"oct\u00E9", false},
        {"\u00E9", false},    {"octo\n", false},     {"-", false},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::isGitHubLogin(c.text), c.valid) << c.text;
}

TEST(MenuModelLoginTest, SetupCommandTrimsBlanksOnly) {
    struct Case {
        std::string login;
        std::optional<std::string> command;
    } cases[] = {
        {"octo", "npx quillmarsh runner add --org octo --yes"},
        {" \tocto-org ", "npx quillmarsh runner add --org octo-org --yes"},
        {"octo\n", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"bad--name", std::nullopt},
        {"octo; rm -rf ~", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::setupCommand(c.login), c.command) << c.login;
}

TEST(MenuModelLoginTest, GhLoginFromHostsFile) {
    struct Case {
        const char* what;
        std::string yaml;
        std::optional<std::string> login;
    } cases[] = {
        {"plain", "github.com:\n    oauth_token: gho_x\n    user: octocat\n    git_protocol: https\n", "octocat"},
        {"other host first",
         "ghe.example.com:\n    user: enterprise\ngithub.com:\n    user: 'monalisa'\n", "monalisa"},
        {"only another host", "ghe.example.com:\n    user: enterprise\n", std::nullopt},
        {"section ended by the next header", "github.com:\n    oauth_token: x\nghe.example.com:\n    user: other\n",
         std::nullopt},
        {"indented too deep, then a valid line",
         "github.com:\n    users:\n        octo:\n             user: deep\n     user: five\n    user: \"four\"\n",
         "four"},
        {"comment header keeps the section", "github.com:\n# github.com moved\n    user: kept\n", "kept"},
        {"indented comment passes over", "github.com:\n    # user: commented\n  user: real\n", "real"},
        {"blank lines inside the section", "github.com:\n\n   \t\n\tuser: tabby\n", "tabby"},
        {"header with trailing blank", "github.com: \n  user: spaced\n", "spaced"},
        {"lookalike header", "enterprise.github.com:\n  user: nope\n", std::nullopt},
        {"indented header line is not a header", "  github.com:\n  user: nope\n", std::nullopt},
        {"invalid login stops the scan", "github.com:\n  user: octo_cat\n  user: later\n", std::nullopt},
        {"empty value", "github.com:\n  user:\n", std::nullopt},
        {"quotes only", "github.com:\n  user: \"''\"\n", std::nullopt},
        {"no line feed at the end", "github.com:\n  user:   octo  ", "octo"},
        {"empty file", "", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(MenuModel::ghLogin(c.yaml), c.login) << c.what;
}

TEST(MenuModelPausedTooltipTest, RememberedDayPatternMatchesFreshTemplate) {
    const Date now = londonTime(2026, 6, 10, 12, 0);
    const std::string until = "2026-09-13T09:00:00Z";
    const Date end = *MenuModel::parseRFC3339(until);
    // Alternating locales: each must keep its own pattern.
    for (const char* id : {"en_GB", "en_US", "de_DE", "en_GB", "ja_JP", "en_US", "de_DE", "fr_FR@calendar=gregorian"}) {
        const Locale locale(id);
        EXPECT_EQ(MenuModel::pausedTooltip(until, now, london(), locale),
                  "Paused until " + DateText::localizedTemplate(end, "d MMM", london(), locale))
            << id;
    }
}
