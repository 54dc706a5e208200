#include "Settings/Panes/JobsPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"
#include "Words/JobsList.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using Keys = std::vector<std::string>;

const Date now = Date::fromSecondsSince1970(1'796'900'000);  // 2026-12-10 10:53:20 UTC

PaneViewState filtered(const std::string& raw) {
    PaneViewState view;
    view.set(JobsPane::filterKey, raw);
    return view;
}

JobsPane::Inputs sample() {
    JobsPane::Inputs in;
    in.jobs = JobsSnapshot::parse(test::sampleAnswer("jobs.json"));
    in.host = HostInfo::parse(test::sampleAnswer("host.json"));
    in.agentAvailable = true;
    in.jobsURL = "https://dashboard.example/jobs?machine=studio";
    in.now = now;
    return in;
}

// The sample with every job of one kind dropped.
JobsPane::Inputs without(bool running, bool failures) {
    auto in = sample();
    if (running) in.jobs.running.clear();
    if (failures) std::erase_if(in.jobs.recent, [](const FinishedJob& job) { return job.conclusion == "failure"; });
    return in;
}

// The agent answers, with no job at all.
JobsPane::Inputs nothing() {
    JobsPane::Inputs in;
    in.agentAvailable = true;
    return in;
}

const std::string emptyRunning = "No job is running here";
const std::string emptyRecent = "No jobs have run here yet";
const std::string emptyFailed = "No failed jobs";

TEST(JobsPane, AccessoryOffersTheFilterAndTheDashboard) {
    for (const auto& [raw, selected] : {std::pair{"", "All"}, std::pair{"Running", "Running"},
                                       std::pair{"Failed", "Failed"}, std::pair{"failed", "All"}}) {
        const auto page = JobsPane::describe(sample(), filtered(raw));
        EXPECT_EQ(page.title, "Jobs");
        EXPECT_EQ(page.back, std::nullopt);
        ASSERT_TRUE(page.accessory);
        EXPECT_EQ(page.accessory->spacing, 12);
        ASSERT_EQ(page.accessory->items.size(), 2u);
        const auto& show = test::accessoryItem<Page::Segments>(page, 0);
        EXPECT_EQ(show.label, "Show");
        ASSERT_EQ(show.options.size(), 3u);
        for (const auto& option : show.options) {
            EXPECT_EQ(option.selected, option.title == selected) << raw << ": " << option.title;
            EXPECT_EQ(option.choose, (PaneCommands{PaneCommand::SetView{"filter", option.title}}));
        }
        EXPECT_EQ(show.options[0].title, "All");
        EXPECT_EQ(show.options[1].title, "Running");
        EXPECT_EQ(show.options[2].title, "Failed");
    }
    EXPECT_EQ(JobsPane::filter(filtered("Failed")), JobFilter::failed);
    EXPECT_EQ(JobsPane::filter(filtered("Everything")), JobFilter::all) << "an unknown value";

    // The dashboard button is always there and enabled, also without an address to open.
    auto in = sample();
    in.agentAvailable = false;
    in.jobsURL.reset();
    const auto page = JobsPane::describe(in, {});
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 1),
              Page::button("Open in Dashboard\u2026", {PaneCommand::OpenLink{std::nullopt}}));
    EXPECT_EQ(test::accessoryItem<Page::Button>(JobsPane::describe(sample(), {}), 1).press,
              (PaneCommands{PaneCommand::OpenLink{"https://dashboard.example/jobs?machine=studio"}}));
}

TEST(JobsPane, AgentDownShowsOnlyTheNote) {
    auto in = sample();
    in.agentAvailable = false;
    for (const char* raw : {"All", "Running", "Failed"}) {
        const auto page = JobsPane::describe(in, filtered(raw));
        ASSERT_EQ(page.blocks.size(), 1u) << raw;
        EXPECT_EQ(test::noteTexts(page), Keys{"The Quillmarsh agent is not running on this Mac."}) << raw;
        EXPECT_TRUE(page.accessory) << "the accessory stays usable";
    }
}

TEST(JobsPane, FilterChoosesTheSectionsAndTheirEmptyTexts) {
    struct Case {
        const char* name;
        JobsPane::Inputs in;
        const char* filter;
        Keys blocks;
        std::optional<std::string> recentHeader;
        Keys running;  // row keys
        Keys recent;
    };
    const Case cases[] = {
        {"all", sample(), "All", {"running", "recent"}, "Recent", {"31880421907", "31880422515"},
         {"31879988310", "31879712044", "31879650981", "31878033127", "11919377252-build-1796884878.0"}},
        {"running only", sample(), "Running", {"running"}, std::nullopt, {"31880421907", "31880422515"}, {}},
        {"failed: no Running Now even with jobs running", sample(), "Failed", {"recent"}, "Failed", {}, {"31879712044"}},
        {"all, nothing at all", nothing(), "All", {"running", "recent"}, "Recent",
         {emptyRunning}, {emptyRecent}},
        {"running, none running", without(true, false), "Running", {"running"}, std::nullopt, {emptyRunning}, {}},
        {"failed, none failed", without(false, true), "Failed", {"recent"}, "Failed", {}, {emptyFailed}},
    };
    for (const auto& c : cases) {
        const auto page = JobsPane::describe(c.in, filtered(c.filter));
        ASSERT_EQ(test::blockKeys(page), c.blocks) << c.name;
        if (test::findSection(page, "running")) {
            const auto& running = test::section(page, "running");
            EXPECT_EQ(running.header, "Running Now") << c.name;
            EXPECT_EQ(running.note, std::nullopt) << c.name;
            EXPECT_EQ(test::rowKeys(page, "running"), c.running) << c.name;
        }
        if (c.recentHeader) {
            const auto& recent = test::section(page, "recent");
            EXPECT_EQ(recent.header, c.recentHeader) << c.name;
            EXPECT_EQ(recent.note, "Last 50 on this Mac") << c.name;
            EXPECT_EQ(test::rowKeys(page, "recent"), c.recent) << c.name;
        }
    }

    // An empty list is one text-only row, worded by its title.
    const auto page = JobsPane::describe(nothing(), {});
    EXPECT_EQ(test::row(page, "recent", emptyRecent), Page::fixedRow(emptyRecent));
    EXPECT_EQ(test::rowTitles(page, "running"), Keys{emptyRunning});
}

TEST(JobsPane, LinesCarryTheJobListRowsAndOpenThem) {
    const auto in = sample();
    const auto page = JobsPane::describe(in, {});
    const auto running = test::lines<Page::JobLine>(page, "running");
    const auto recent = test::lines<Page::JobLine>(page, "recent");
    const auto runningRows = JobsList::running(in.jobs, in.host);
    const auto recentRows = JobsList::recent(in.jobs, JobFilter::all, in.now, in.calendar);
    ASSERT_EQ(running.size(), runningRows.size());
    ASSERT_EQ(recent.size(), recentRows.size());
    auto expectLine = [](const Page::JobLine& line, const JobRow& row) {
        EXPECT_EQ(line.key, row.id);
        EXPECT_EQ(line.state, StateKind::of(row.state)) << row.id;
        EXPECT_EQ(line.repository, row.repository);
        EXPECT_EQ(line.name, row.name);
        EXPECT_EQ(line.meta, row.meta);
        EXPECT_EQ(line.trailing, row.trailing);
        EXPECT_EQ(line.accessibleName, JobsPane::accessibleName(row));
        EXPECT_EQ(line.open, (PaneCommands{PaneCommand::OpenJob{row}})) << "the row stands in for the job";
    };
    for (std::size_t i = 0; i < running.size(); ++i) expectLine(running[i], runningRows[i]);
    for (std::size_t i = 0; i < recent.size(); ++i) expectLine(recent[i], recentRows[i]);

    // How the sample reads: a running job with a fraction, a starting one, and a stopped one.
    EXPECT_EQ(running[0].state, StateKind::running(412.0 / 780.0));
    EXPECT_EQ(running[0].accessibleName,
              "ios-app test (iPhone 16), Running, macOS VM, 4 cores, 12 GB, started 6 min ago, 6 min left");
    EXPECT_EQ(running[1].state, StateKind::running());
    EXPECT_EQ(running[1].accessibleName, "firmware build-linux, Starting, Linux VM, starting, starting");
    EXPECT_EQ(recent[3].state, StateKind::cancelled());
    EXPECT_EQ(recent[3].accessibleName.find("docs deploy, Stopped, "), 0u) << recent[3].accessibleName;
}

TEST(JobsPane, AccessibleNameKeepsItsSeparatorsForEmptyParts) {
    JobRow row;
    row.state = JobState::failed();
    EXPECT_EQ(JobsPane::accessibleName(row), " , Failed, , ");
    row.repository = "docs";
    row.trailing = "Yesterday";
    row.state = JobState::running(0.5);
    EXPECT_EQ(JobsPane::accessibleName(row), "docs , Running, , Yesterday");
}

TEST(JobsPane, DescribesTheModelsJobSnapshot) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    h.model->setVisiblePane(AppPane::jobs);
    h.drain();
    ASSERT_GE(h.count("GET /jobs?limit=50"), 1u);
    const auto in = JobsPane::inputs(*h.model);
    EXPECT_TRUE(in.agentAvailable);
    EXPECT_EQ(in.jobsURL, h.model->jobsURL()->toString().toStdString());
    const auto page = JobsPane::describe(in, {});
    EXPECT_EQ(test::rowKeys(page, "running"), (Keys{"31880421907", "31880422515"}));
    const auto recent = test::lines<Page::JobLine>(page, "recent");
    ASSERT_EQ(recent.size(), 5u);
    EXPECT_EQ(recent[1].name, "test (iPhone 16)");
    EXPECT_EQ(recent[1].state, StateKind::failed());
    EXPECT_EQ(recent[1].meta, "feature/login, failed after 12 min 42 s");
    EXPECT_EQ(recent[1].trailing, "1 h ago") << "against the model's clock";
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 1).press, (PaneCommands{PaneCommand::OpenLink{in.jobsURL}}));
}

} // namespace
} // namespace quillmarsh
