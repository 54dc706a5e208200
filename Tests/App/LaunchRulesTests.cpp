// The app's start-up decisions as plain functions: the switches, the pane names, the first-run
// check, the updater's quiet test and the screenshot mode's plan.
#include "App/AppRules.h"
#include "App/LaunchOptions.h"
#include "App/ScreenshotPlan.h"
#include "Records/HostInfo.h"
#include "Records/JobsSnapshot.h"
#include "Support/Fixtures.h"
#include "Support/LondonTime.h"

#include <gtest/gtest.h>

#include <set>

namespace quillmarsh {
namespace {

TEST(LaunchOptionsTest, SwitchesCountOnlyAsExactArguments) {
    const LaunchOptions all = LaunchOptions::parse(
        {"--menu-metrics", "--first-run", "--settings", "--open-menu", "--option-layer", "--dock"});
    EXPECT_TRUE(all.firstRun && all.settings && all.openMenu && all.optionLayer && all.menuMetrics && all.dock);
    EXPECT_TRUE(all.isDevelopment());

    // Other letter case, a value attached, a single dash: none of them count.
    const LaunchOptions none =
        LaunchOptions::parse({"--First-Run", "--settings=1", "-open-menu", "--option-layer ", "dock"});
    EXPECT_FALSE(none.firstRun || none.settings || none.openMenu || none.optionLayer || none.dock);
    EXPECT_FALSE(none.isDevelopment());

    // --dock alone is a plain launch: it hands over to an app that already runs.
    EXPECT_FALSE(LaunchOptions::parse({"--dock"}).isDevelopment());
    EXPECT_FALSE(LaunchOptions::parse({}).isDevelopment());
}

TEST(LaunchOptionsTest, TheScreenshotsFolderIsTheArgumentAfterTheSwitch) {
    const LaunchOptions given = LaunchOptions::parse({"--settings", "--screenshots", "/tmp/shots", "--screenshots", "x"});
    EXPECT_EQ(given.screenshotsFolder, "/tmp/shots");
    EXPECT_TRUE(given.showsItself());

    // As the last argument the switch does nothing, but the launch is still one for development.
    const LaunchOptions last = LaunchOptions::parse({"--screenshots"});
    EXPECT_TRUE(last.screenshots);
    EXPECT_FALSE(last.screenshotsFolder);
    EXPECT_TRUE(last.isDevelopment());
    EXPECT_FALSE(last.showsItself());

    EXPECT_FALSE(LaunchOptions::parse({"--first-run", "--settings"}).showsItself());
    EXPECT_TRUE(LaunchOptions::parse({"--open-menu"}).showsItself());
    EXPECT_TRUE(LaunchOptions::parse({"--menu-metrics"}).showsItself());
}

TEST(AppRulesTest, PaneNamesAreLowerCaseTitles) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<AppPane>>> cases = {
        {"general", AppPane::general}, {"this mac", AppPane::thisMac}, {"images", AppPane::images},
        {"jobs", AppPane::jobs},       {"machines", AppPane::machines}, {"caches", AppPane::caches},
        {"about", AppPane::about},     {"This Mac", std::nullopt},     {"this-mac", std::nullopt},
        {"thismac", std::nullopt},     {" jobs", std::nullopt},        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& [name, pane] : cases) EXPECT_EQ(AppRules::paneNamed(name), pane) << name.value_or("(none)");
}

TEST(AppRulesTest, FirstRunQuietTestAndReopen) {
    // firstRun given, agent available, registered → shown
    EXPECT_TRUE(AppRules::showsFirstRun(true, true, true));
    EXPECT_TRUE(AppRules::showsFirstRun(false, false, false));
    EXPECT_FALSE(AppRules::showsFirstRun(false, false, true));  // a registered Mac whose agent is down
    EXPECT_FALSE(AppRules::showsFirstRun(false, true, false));

    EXPECT_TRUE(AppRules::isQuiet(false, std::nullopt));
    EXPECT_TRUE(AppRules::isQuiet(false, false));
    EXPECT_FALSE(AppRules::isQuiet(false, true));
    EXPECT_FALSE(AppRules::isQuiet(true, std::nullopt));
    EXPECT_FALSE(AppRules::isQuiet(true, false));

    EXPECT_EQ(AppRules::reopenWindow(true), AppRules::Window::settings);
    EXPECT_EQ(AppRules::reopenWindow(false), AppRules::Window::firstRun);
}

TEST(ScreenshotPlanTest, StepsPanesFilesAndDelays) {
    const std::vector<std::tuple<int, AppPane, std::string, int>> steps = {
        {0, AppPane::general, "app-general.png", 600},   {1, AppPane::thisMac, "app-this-mac.png", 600},
        {2, AppPane::images, "app-images.png", 600},     {3, AppPane::jobs, "app-jobs.png", 2000},
        {4, AppPane::machines, "app-machines.png", 2000}, {5, AppPane::caches, "app-caches.png", 2000},
        {6, AppPane::about, "app-about.png", 600},
    };
    std::set<std::string> names;
    for (const auto& [step, pane, file, delay] : steps) {
        EXPECT_EQ(ScreenshotPlan::paneAt(step), pane) << step;
        EXPECT_EQ(ScreenshotPlan::fileName(pane), file);
        EXPECT_EQ(ScreenshotPlan::selectDelay(pane).count(), delay) << file;
        names.insert(file);
    }
    EXPECT_EQ(names.size(), steps.size());
    EXPECT_EQ(ScreenshotPlan::paneAt(ScreenshotPlan::jobDetailStep), AppPane::jobs);
    EXPECT_EQ(ScreenshotPlan::firstRunStep, ScreenshotPlan::jobDetailStep + 1);
    EXPECT_FALSE(ScreenshotPlan::paneAt(ScreenshotPlan::firstRunStep)) << "the first-run window is no pane";
    EXPECT_EQ(ScreenshotPlan::lastStep, ScreenshotPlan::firstRunStep + 1);
    EXPECT_FALSE(ScreenshotPlan::paneAt(ScreenshotPlan::lastStep));
    EXPECT_FALSE(ScreenshotPlan::paneAt(-1));
}

TEST(ScreenshotPlanTest, OnlyTheLoadingPanesWaitForTheirData) {
    const ScreenshotPlan::Loaded nothing;
    for (AppPane pane : {AppPane::general, AppPane::thisMac, AppPane::images, AppPane::about})
        EXPECT_TRUE(ScreenshotPlan::isReady(pane, nothing));
    EXPECT_FALSE(ScreenshotPlan::isReady(AppPane::jobs, nothing));
    EXPECT_FALSE(ScreenshotPlan::isReady(AppPane::machines, nothing));
    EXPECT_FALSE(ScreenshotPlan::isReady(AppPane::caches, nothing));
    EXPECT_TRUE(ScreenshotPlan::isReady(AppPane::jobs, {true, false, false}));
    EXPECT_TRUE(ScreenshotPlan::isReady(AppPane::machines, {false, true, false}));
    EXPECT_TRUE(ScreenshotPlan::isReady(AppPane::caches, {false, false, true}));
    EXPECT_FALSE(ScreenshotPlan::isReady(AppPane::caches, {true, true, false}));
}

TEST(ScreenshotPlanTest, LinesAndTheAgentsJobIdCannotForgeOne) {
    EXPECT_EQ(ScreenshotPlan::paneLine("app-general.png", 900, 640), "wrote app-general.png 900 x 640");
    EXPECT_EQ(ScreenshotPlan::jobDetailLine("31880421907"), "wrote app-job-detail.png 31880421907");
    EXPECT_EQ(ScreenshotPlan::paneLine(ScreenshotPlan::firstRunFile, 520, 610), "wrote app-first-run.png 520 x 610");
    const std::string forged = ScreenshotPlan::jobDetailLine("7\nwrote app-general.png 900 x 640\r");
    EXPECT_EQ(forged.find('\n'), std::string::npos);
    EXPECT_EQ(forged.find('\r'), std::string::npos);
    EXPECT_EQ(forged, "wrote app-job-detail.png 7\\u000awrote app-general.png 900 x 640\\u000d");
}

TEST(ScreenshotPlanTest, TheDetailIsOfTheFirstRunningJobElseTheLatestRecentOne) {
    const JobsSnapshot sample = JobsSnapshot::parse(test::sampleAnswer("jobs.json"));
    const std::optional<HostInfo> host = HostInfo::parse(test::sampleAnswer("host.json"));
    const Date now = test::londonTime(2026, 12, 10, 10, 0);

    const auto running = ScreenshotPlan::detailRow(sample, host, now, test::london());
    ASSERT_TRUE(running);
    EXPECT_EQ(running->id, "31880421907");

    JobsSnapshot finishedOnly = sample;
    finishedOnly.running.clear();
    const auto recent = ScreenshotPlan::detailRow(finishedOnly, host, now, test::london());
    ASSERT_TRUE(recent);
    EXPECT_EQ(recent->id, "31879988310");

    EXPECT_FALSE(ScreenshotPlan::detailRow(JobsSnapshot{}, host, now, test::london()));
}

} // namespace
} // namespace quillmarsh
