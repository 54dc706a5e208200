// The pane column against the real model: a page made afresh for each pane, with a view state of
// its own, and the view commands that come back from the page.
#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/PaneColumn.h"
#include "Settings/PaneSelection.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Panes/PageLookup.h"
#include "Settings/Rows/JobListRow.h"
#include "Settings/Rows/LogArea.h"
#include "Settings/Rows/LogTextView.h"

#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using namespace test;

class PaneColumnTest : public ::testing::Test {
protected:
    // Runs the event loop until every timer due within ms has fired (no timing is checked).
    static void settle(int ms) {
        bool passed = false;
        QTimer::singleShot(ms, [&] { passed = true; });
        ASSERT_TRUE(spinUntil([&] { return passed; }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    Harness h;
    PaneSelection selection{AppPane::general};
    PaneColumn column{*h.model, selection};
};

TEST_F(PaneColumnTest, APageIsMadeAfreshOnlyWhenThePaneChanges) {
    EXPECT_EQ(column.page().page().title, "General");
    QPointer<PageView> first = &column.page();
    column.perform({PaneCommand::SetView{"confirm", "true"}});
    EXPECT_TRUE(column.viewState().flag("confirm"));

    selection.setPane(AppPane::general);
    EXPECT_EQ(&column.page(), first.data()) << "the same pane keeps its page";
    EXPECT_TRUE(column.viewState().flag("confirm"));

    selection.setPane(AppPane::thisMac);
    EXPECT_NE(&column.page(), first.data());
    EXPECT_EQ(column.pagePane(), AppPane::thisMac);
    EXPECT_EQ(column.page().page().title, "This Mac") << "the new page is described at once";
    EXPECT_EQ(column.viewState(), PaneViewState()) << "with a fresh view state";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "the old page is gone";
    EXPECT_EQ(column.findChildren<PageView*>().size(), 1);

    // A page that goes back to a pane it showed before is new as well.
    QPointer<PageView> second = &column.page();
    selection.setPane(AppPane::general);
    EXPECT_NE(&column.page(), second.data());
}

// The job list and a job's detail are different pages: going back to the list starts it anew.
TEST(PaneColumnJobs, OnTheJobsPaneEachOpenedOrClosedJobGetsAPageOfItsOwn) {
    Harness h;
    PaneSelection selection(AppPane::jobs);
    PaneColumn column(*h.model, selection);
    const PageView* list = &column.page();
    selection.setJob(std::nullopt);
    EXPECT_EQ(&column.page(), list) << "no job before, none now";

    selection.setJob("7");
    const PageView* detail = &column.page();
    EXPECT_NE(detail, list);
    selection.setJob("7");
    EXPECT_EQ(&column.page(), detail);
    selection.setJob(std::nullopt);
    EXPECT_NE(&column.page(), detail);

    // On any other pane the job is no part of the page.
    selection.setPane(AppPane::general);
    const PageView* general = &column.page();
    selection.setJob("7");
    EXPECT_EQ(&column.page(), general);
}

// A job row opens its detail: the selection takes the job and the row it came from, and the page
// is the detail's, with the row standing in for a job the model does not list. Back returns to a
// fresh list.
TEST(PaneColumnJobs, OpeningARowShowsItsJobAndBackShowsTheListAgain) {
    Harness h;
    PaneSelection selection(AppPane::jobs);
    PaneColumn column(*h.model, selection);
    JobRow row;
    row.id = "42";
    row.name = "build (macOS)";
    row.fullRepository = "acme/app";
    column.perform({PaneCommand::OpenJob{row}});
    EXPECT_EQ(selection.job(), "42");
    EXPECT_EQ(selection.opened(), row);
    EXPECT_EQ(column.page().page().title, "build (macOS)");
    ASSERT_TRUE(column.page().page().back);

    column.perform(*column.page().page().back);
    EXPECT_EQ(selection.job(), std::nullopt);
    EXPECT_EQ(column.page().page().title, "Jobs");

    // Off the Jobs pane a job cannot be opened.
    selection.setPane(AppPane::general);
    column.perform({PaneCommand::OpenJob{row}});
    EXPECT_EQ(selection.pane(), AppPane::general);
    EXPECT_EQ(selection.job(), std::nullopt);
}

TEST_F(PaneColumnTest, AFlashIsResetAfterItsDelay) {
    column.perform({PaneCommand::FlashView{"copied", "true", "", 10}});
    EXPECT_EQ(column.viewState().value("copied"), "true");
    EXPECT_TRUE(spinUntil([&] { return column.viewState().value("copied").empty(); }));

    // A second flash schedules its own reset; the state ends with the last reset.
    column.perform({PaneCommand::FlashView{"copied", "1", "done", 5}, PaneCommand::FlashView{"copied", "2", "over", 15}});
    EXPECT_EQ(column.viewState().value("copied"), "2");
    settle(30);
    EXPECT_EQ(column.viewState().value("copied"), "over");
}

TEST_F(PaneColumnTest, APageReplacedBeforeItsFlashEndsDropsTheReset) {
    column.perform({PaneCommand::FlashView{"copied", "true", "stale", 0}});
    selection.setPane(AppPane::about);
    settle(20);
    EXPECT_EQ(column.viewState().value("copied"), "") << "the new page's state is its own";
}

// Clicks the page's one button with that title; false when there is none or more than one.
bool click(PaneColumn& column, const QString& title) {
    std::vector<PaneButton*> found;
    for (auto* button : column.findChildren<PaneButton*>()) {
        if (button->title() == title) found.push_back(button);
    }
    if (found.size() != 1) return false;
    found.front()->click();
    return true;
}

// A machine name with spaces is percent-encoded in its dashboard links, and every button that
// opens one hands the desktop that very link.
TEST(PaneColumnLinks, DashboardAndRunLinksOfAMachineNamedWithSpacesReachTheOpener) {
    const std::string runURL = "https://github.com/acme-robotics/ios-app/actions/runs/11920334581?machine=Build%20Mini%202";
    struct Case {
        AppPane pane;
        std::optional<std::string> job;
        QString button;
        std::string opened;
    };
    const Case cases[] = {
        {AppPane::thisMac, {}, "Open in Dashboard\u2026", "https://dashboard.quillmarsh.example/fleet/Build%20Mini%202"},
        {AppPane::thisMac, {}, "Disconnect\u2026", "https://dashboard.quillmarsh.example/fleet/Build%20Mini%202"},
        {AppPane::jobs, {}, "Open in Dashboard\u2026", "https://dashboard.quillmarsh.example/jobs?machine=Build%20Mini%202"},
        {AppPane::jobs, "31880421907", "View on GitHub", runURL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button.toStdString());
        Harness h;
        serveSamples(*h.agent, {"GET /account", "GET /jobs", "GET /jobs?limit=50"});
        auto account = nlohmann::json::parse(sampleAnswer("account.json"));
        account["machineName"] = "Build Mini 2";
        auto jobs = nlohmann::json::parse(sampleAnswer("jobs.json"));
        jobs["running"][0]["run_url"] = runURL;
        h.agent->route("GET", "/account", FakeAgent::Reply::json(account.dump()));
        h.agent->route("GET", "/jobs", FakeAgent::Reply::json(jobs.dump()));
        h.agent->route("GET", "/jobs?limit=50", FakeAgent::Reply::json(jobs.dump()));
        h.refreshAndWait();
        PaneSelection selection(c.pane);
        if (c.job) selection.setJob(c.job);
        PaneColumn column(*h.model, selection);
        column.render();
        ASSERT_TRUE(click(column, c.button));
        EXPECT_EQ(h.opener->opened, std::vector<std::string>{c.opened});
    }
}

// The agent makes its logs folder when it first writes a log. Before that "Open Logs…" has
// nothing to show, and the row says so; once the folder is there it opens.
TEST(PaneColumnLogs, OpenLogsSaysWhyNothingOpenedWhileTheFolderIsMissing) {
    Harness h;
    PaneSelection selection(AppPane::about);
    PaneColumn column(*h.model, selection);
    const std::string folder = h.agent->home() + "/logs";
    const auto logsDetail = [&] { return test::row(column.page().page(), "Troubleshooting", "Logs").detail.value_or(""); };
    ASSERT_FALSE(std::filesystem::exists(folder));
    const std::string shown = logsDetail();

    ASSERT_TRUE(click(column, "Open Logs\u2026"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(h.opener->opened.empty());
    EXPECT_EQ(logsDetail(), shown + " does not exist yet. It appears once the agent writes a log.");

    std::filesystem::create_directory(folder);
    ASSERT_TRUE(click(column, "Open Logs\u2026"));
    QCoreApplication::processEvents();
    EXPECT_EQ(h.opener->opened, std::vector<std::string>{"file://" + folder});
    EXPECT_EQ(logsDetail(), shown);
}

std::vector<JobListRow*> jobRows(const PageView& page, const std::string& section) {
    std::vector<JobListRow*> rows;
    if (QWidget* block = page.blockWidget(section))
        for (JobListRow* row : block->findChildren<JobListRow*>()) rows.push_back(row);
    return rows;
}

// An agent that answers with far more jobs than the 50 asked for: each list shows its first 50,
// a refresh with the same answer keeps every row's widget and text, and a job that changes
// changes its own row only.
TEST(PaneColumnJobs, ALongJobsAnswerShowsTheFirstFiftyOfEachListAndRowsStayInPlace) {
    Harness h;
    serveSamples(*h.agent);
    nlohmann::json answer = repeatedJobs(100);  // 200 running, 500 recent
    h.agent->route("GET", "/jobs?limit=50", FakeAgent::Reply::json(answer.dump()));
    h.model->setVisiblePane(AppPane::jobs);
    h.refreshAndWait();
    PaneSelection selection(AppPane::jobs);
    PaneColumn column(*h.model, selection);
    column.render();

    const std::vector<JobListRow*> running = jobRows(column.page(), "running");
    const std::vector<JobListRow*> recent = jobRows(column.page(), "recent");
    EXPECT_EQ(running.size(), 50u);
    EXPECT_EQ(recent.size(), 50u);
    for (const char* list : {"running", "recent"}) {
        EXPECT_NE(column.page().rowWidget(answer[list][49]["job_id"].get<std::string>()), nullptr) << list;
        EXPECT_EQ(column.page().rowWidget(answer[list][50]["job_id"].get<std::string>()), nullptr) << list;
    }

    std::vector<QString> names;
    for (JobListRow* row : recent) names.push_back(row->accessibleName());
    h.refreshAndWait();
    column.render();
    EXPECT_EQ(jobRows(column.page(), "running"), running);
    EXPECT_EQ(jobRows(column.page(), "recent"), recent);

    // The second recent job failed in the sample; now it succeeded.
    ASSERT_EQ(answer["recent"][1]["conclusion"], "failure");
    answer["recent"][1]["conclusion"] = "success";
    h.agent->route("GET", "/jobs?limit=50", FakeAgent::Reply::json(answer.dump()));
    h.refreshAndWait();
    column.render();
    ASSERT_EQ(jobRows(column.page(), "recent"), recent);
    for (std::size_t i = 0; i < recent.size(); ++i) {
        if (i == 1) EXPECT_NE(recent[i]->accessibleName(), names[i]);
        else EXPECT_EQ(recent[i]->accessibleName(), names[i]) << i;
    }
    EXPECT_EQ(recent[1]->stateIcon()->kind(), StateKind::of(JobState::succeeded()));
}

// A log line of a megabyte reaches the log view cut to a bound, ending in "…"; as the line goes
// on growing at every poll, the view is not touched.
TEST(PaneColumnJobs, AMegabyteLogLineIsShownCutAndItsGrowthChangesNothing) {
    Harness h;
    serveSamples(*h.agent);
    const std::string id = "31880421907";
    const std::string base = "/jobs/" + id;
    h.agent->route("GET", base + "/steps", FakeAgent::Reply::json(sampleAnswer("jobs." + id + ".steps.json")));
    const std::string first = "Run make\n" + std::string(1 << 20, 'y');
    const auto size = static_cast<std::int64_t>(first.size());
    const auto chunk = [](std::int64_t start, std::int64_t next, const std::string& text) {
        return FakeAgent::Reply::json(nlohmann::json{{"start", start}, {"next", next}, {"size", next}, {"text", text},
                                                     {"running", true}, {"source", "runner"}}
                                          .dump());
    };
    h.agent->route("GET", base + "/log", chunk(0, size, first));
    h.agent->route("GET", base + "/log?since=" + std::to_string(size), chunk(size, size + 1024, std::string(1024, 'y')));
    h.agent->route("GET", base + "/log?since=" + std::to_string(size + 1024), chunk(size + 1024, size + 1024, ""));
    h.model->setVisiblePane(AppPane::jobs);
    h.drain();
    PaneSelection selection(AppPane::jobs);
    PaneColumn column(*h.model, selection);
    selection.setJob(id);
    h.model->openJob(id);
    h.drain();
    column.render();

    auto* area = qobject_cast<LogArea*>(column.page().blockWidget("log"));
    ASSERT_NE(area, nullptr);
    const QTextDocument* document = area->textView()->document();
    ASSERT_EQ(document->blockCount(), 2);
    EXPECT_EQ(document->firstBlock().text(), "Run make");
    const QString line = document->lastBlock().text();
    EXPECT_LE(line.size(), 4001);
    EXPECT_TRUE(line.startsWith(QStringLiteral("yyyy")));
    EXPECT_TRUE(line.endsWith(QChar(0x2026)));

    const int revision = document->revision();
    h.clock->fire(1.0);
    h.drain();
    column.render();
    ASSERT_EQ(h.model->detail()->log.next(), size + 1024) << "the poll read the next chunk";
    EXPECT_EQ(document->revision(), revision);
}

} // namespace
} // namespace quillmarsh
