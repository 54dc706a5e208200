#include "Settings/Panes/JobDetailPane.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Settings/Panes/PageLookup.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace quillmarsh {
namespace {

using Page = PageDescription;
using Reply = test::FakeAgent::Reply;
using Keys = std::vector<std::string>;

const std::string jobId = "31880421907";
const Date now = Date::fromSecondsSince1970(1'796'900'000);  // 2026-12-10 10:53:20 UTC

nlohmann::json sampleJobs() { return nlohmann::json::parse(test::sampleAnswer("jobs.json")); }

// The sample's first running job (started, 412 of 780 s, main, macOS), changed by patch.
RunningJob running(const nlohmann::json& patch = nlohmann::json::object()) {
    auto json = sampleJobs()["running"][0];
    json.merge_patch(patch);
    return RunningJob::decode(json);
}

// The sample's failed job (762 s on a feature branch, macOS) under this job's id, changed by patch.
FinishedJob finished(const nlohmann::json& patch = nlohmann::json::object()) {
    auto json = sampleJobs()["recent"][1];
    json["job_id"] = jobId;
    json.merge_patch(patch);
    return FinishedJob::decode(json);
}

JobSteps sampleSteps() { return JobSteps::parse(test::sampleAnswer("jobs." + jobId + ".steps.json")); }

JobSteps stepsAnswer(const std::string& status, const nlohmann::json& conclusion, const nlohmann::json& steps = nullptr) {
    nlohmann::json json = {{"job", {{"id", jobId}, {"status", status}, {"conclusion", conclusion}}}};
    if (!steps.is_null()) json["steps"] = steps;
    return JobSteps::decode(json);
}

JobDetail detail(std::optional<JobSteps> steps = std::nullopt) {
    JobDetail d(jobId);
    d.steps = std::move(steps);
    return d;
}

// A detail whose log read has come back with this text and source.
JobDetail loaded(const std::string& text, const std::string& source = "runner") {
    JobDetail d(jobId);
    d.log.apply(JobLog{0, static_cast<std::int64_t>(text.size()), static_cast<std::int64_t>(text.size()), text, true, source});
    d.logLoaded = true;
    return d;
}

JobRow openedRow(std::string id = jobId) {
    JobRow row;
    row.id = std::move(id);
    row.repository = "docs";
    row.fullRepository = "acme-robotics/docs";
    row.name = "deploy";
    row.meta = "stopped here, re-run on GitHub-hosted";
    row.state = JobState::stopped();
    return row;
}

JobDetailPane::Inputs base() {
    JobDetailPane::Inputs in;
    in.jobId = jobId;
    in.host = HostInfo::parse(test::sampleAnswer("host.json"));
    in.now = now;
    return in;
}

JobDetailPane::Inputs withRunning(RunningJob job = running()) {
    auto in = base();
    in.running = std::move(job);
    in.canStop = true;
    in.githubURL = "https://github.com/acme-robotics/ios-app/actions/runs/11920334581";
    return in;
}

JobDetailPane::Inputs withFinished(FinishedJob job = finished()) {
    auto in = base();
    in.finished = std::move(job);
    return in;
}

Page::Log logOf(const Page& page) { return test::block<Page::Log>(page, "log"); }

TEST(JobDetailPane, TheJobIsTheRunningOneThenTheFinishedOneThenTheOpenedRow) {
    struct Case {
        const char* name;
        JobDetailPane::Inputs in;
        std::string title;
        std::string repository;
        std::optional<JobState> state;
    };
    auto both = withRunning();
    both.finished = finished();
    auto opened = base();
    opened.opened = openedRow();
    auto otherRow = base();
    otherRow.opened = openedRow("another");
    auto openedAndFinished = withFinished(finished({{"conclusion", "success"}}));
    openedAndFinished.opened = openedRow();
    const Case cases[] = {
        {"running", withRunning(), "test (iPhone 16)", "acme-robotics/ios-app", JobState::running(412.0 / 780.0)},
        {"running before finished", both, "test (iPhone 16)", "acme-robotics/ios-app", JobState::running(412.0 / 780.0)},
        {"finished", withFinished(), "test (iPhone 16)", "acme-robotics/ios-app", JobState::failed()},
        {"finished before opened", openedAndFinished, "test (iPhone 16)", "acme-robotics/ios-app", JobState::succeeded()},
        {"known only by the opened row", opened, "deploy", "acme-robotics/docs", JobState::stopped()},
        {"a row of another job", otherRow, "Job", "", std::nullopt},
        {"known by none", base(), "Job", "", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JobDetailPane::name(c.in), c.title) << c.name;
        EXPECT_EQ(JobDetailPane::repository(c.in), c.repository) << c.name;
        EXPECT_EQ(JobDetailPane::state(c.in), c.state) << c.name;
        const auto page = JobDetailPane::describe(c.in, {});
        EXPECT_EQ(page.title, c.title) << c.name;
        EXPECT_EQ(page.back, (PaneCommands{PaneCommand::CloseJob{}})) << c.name;
        const auto& summary = test::block<Page::Summary>(page, "summary");
        EXPECT_EQ(summary.title, c.repository.empty() ? c.title : c.repository + ", " + c.title) << c.name;
        EXPECT_EQ(summary.state, c.state ? StateKind::of(*c.state) : StateKind::pending()) << c.name;
    }

    // Known by none: no meta, the pending glyph and "Checking…".
    const auto page = JobDetailPane::describe(base(), {});
    EXPECT_EQ(test::block<Page::Summary>(page, "summary"),
              (Page::Summary{"summary", StateKind::pending(), "Job", "", {"Checking\u2026", PillTone::quiet}}));
    EXPECT_EQ(test::blockKeys(page), (Keys{"summary", "Steps", "log"}));
}

TEST(JobDetailPane, StateFallsBackOnTheStepsAnswerBeforeTheOpenedRow) {
    struct Case {
        const char* status;
        nlohmann::json conclusion;
        std::optional<JobState> state;
    };
    const Case cases[] = {
        {"completed", "failure", JobState::failed()},
        {"completed", "cancelled", JobState::cancelled()},
        {"in_progress", "success", JobState::succeeded()},
        {"in_progress", nullptr, JobState::running(std::nullopt)},
        {"in_progress", "", JobState::running(std::nullopt)},
        {"queued", nullptr, JobState::starting()},
        {"waiting", nullptr, JobState::starting()},
        {"completed", nullptr, JobState::stopped()},  // falls through to the opened row
        {"requested", "", JobState::stopped()},
    };
    for (const auto& c : cases) {
        auto in = base();
        in.opened = openedRow();
        in.detail = detail(stepsAnswer(c.status, c.conclusion));
        EXPECT_EQ(JobDetailPane::state(in), c.state) << c.status << " " << c.conclusion.dump();
    }
    // The finished job's conclusion wins over the steps answer.
    auto in = withFinished();
    in.detail = detail(stepsAnswer("in_progress", nullptr));
    EXPECT_EQ(JobDetailPane::state(in), JobState::failed());
    // Without any of them there is no state; a starting job starts.
    in = base();
    in.detail = detail(stepsAnswer("completed", nullptr));
    EXPECT_EQ(JobDetailPane::state(in), std::nullopt);
    EXPECT_EQ(JobDetailPane::state(withRunning(running({{"started", false}}))), JobState::starting());
    EXPECT_EQ(JobDetailPane::state(withRunning(running({{"expected_seconds", 0}}))), JobState::running(std::nullopt));
}

TEST(JobDetailPane, MetaJoinsRefRunAndTheJobsFacts) {
    struct Case {
        const char* name;
        JobDetailPane::Inputs in;
        std::string meta;
    };
    auto noHost = withRunning();
    noHost.host.reset();
    auto runningWithoutRef = withRunning(running({{"ref", nullptr}}));
    runningWithoutRef.finished = finished();
    const Case cases[] = {
        {"running", withRunning(), "main, run 11920334581, macOS VM, 4 cores, 12 GB, started 6 min ago"},
        {"running without a host", noHost, "main, run 11920334581, macOS VM, started 6 min ago"},
        {"running without a ref takes the finished job's", runningWithoutRef,
         "feature/login, run 11920334581, macOS VM, 4 cores, 12 GB, started 6 min ago"},
        {"starting on Linux", withRunning(running({{"started", false}, {"label", "ubuntu-24.04"}, {"ref", "refs/pull/7/merge"}})),
         "pull request 7, run 11920334581, Linux VM, starting"},
        {"finished", withFinished(), "feature/login, run 11920007355, macOS VM, 12 min 42 s, finished 1 h ago"},
        {"finished in 0 s without ref or run", withFinished(finished({{"duration_seconds", 0}, {"ref", nullptr}, {"run_id", 0}, {"label", "ubuntu-24.04"}})),
         "Linux VM, finished 1 h ago"},
        {"an opened row only", [] { auto in = base(); in.opened = openedRow(); return in; }(), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(JobDetailPane::meta(c.in), c.meta) << c.name;
}

TEST(JobDetailPane, PillWordsTheStateAndTheRunningJobsTime) {
    struct Case {
        const char* name;
        JobDetailPane::Inputs in;
        Page::Pill pill;
    };
    auto fromSteps = base();
    fromSteps.detail = detail(stepsAnswer("in_progress", nullptr));
    const Case cases[] = {
        {"time left", withRunning(), {"About 6 min left", PillTone::accent}},
        {"almost done", withRunning(running({{"elapsed_seconds", 770}})), {"Almost done", PillTone::accent}},
        {"no expected time: the elapsed time", withRunning(running({{"expected_seconds", 0}, {"elapsed_seconds", 45}})),
         {"45 s", PillTone::accent}},
        {"starting", withRunning(running({{"started", false}})), {"Starting", PillTone::accent}},
        {"running without a running job", fromSteps, {"Running", PillTone::accent}},
        {"succeeded", withFinished(finished({{"conclusion", "success"}})), {"Succeeded", PillTone::good}},
        {"failed", withFinished(), {"Failed", PillTone::warning}},
        {"cancelled", withFinished(finished({{"conclusion", "cancelled"}})), {"Cancelled", PillTone::quiet}},
        {"stopped", withFinished(finished({{"conclusion", "host_stopped"}})), {"Stopped", PillTone::quiet}},
        {"no state", base(), {"Checking\u2026", PillTone::quiet}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JobDetailPane::pill(c.in), c.pill) << c.name;
        EXPECT_EQ(test::block<Page::Summary>(JobDetailPane::describe(c.in, {}), "summary").pill, c.pill) << c.name;
    }
    // Without an expectation the glyph runs without a fraction.
    const auto page = JobDetailPane::describe(withRunning(running({{"expected_seconds", 0}})), {});
    EXPECT_EQ(test::block<Page::Summary>(page, "summary").state, StateKind::running());
}

TEST(JobDetailPane, StepRowsAreTheProblemTheStepsOrWhatIsAwaited) {
    struct Case {
        const char* name;
        std::optional<JobDetail> detail;
        Keys texts;  // the titles of the text rows
        std::size_t lines;
    };
    auto needs = detail(sampleSteps());
    needs.stepsProblem = RouteProblem::needsAgent("0.1.36");
    auto failedRead = detail();
    failedRead.stepsProblem = RouteProblem::failed("The agent did not answer.");
    const Case cases[] = {
        {"no detail", std::nullopt, {"Asking GitHub for the steps\u2026"}, 0},
        {"no answer yet", detail(), {"Asking GitHub for the steps\u2026"}, 0},
        {"an answer without steps", detail(stepsAnswer("queued", nullptr)), {"GitHub has not shared the steps yet"}, 0},
        {"an empty step list", detail(stepsAnswer("queued", nullptr, nlohmann::json::array())),
         {"GitHub has not shared the steps yet"}, 0},
        {"the agent is too old, also with steps held", needs, {"Needs agent 0.1.36"}, 0},
        {"a failed read", failedRead, {"The agent did not answer."}, 0},
        {"the steps", detail(sampleSteps()), {}, 5},
    };
    for (const auto& c : cases) {
        auto in = withRunning();
        in.detail = c.detail;
        const auto page = JobDetailPane::describe(in, {});
        const auto& steps = test::section(page, "Steps");
        EXPECT_EQ(steps.header, "Steps");
        EXPECT_EQ(steps.note, std::nullopt);
        EXPECT_EQ(test::rowTitles(page, "Steps"), c.texts) << c.name;
        EXPECT_EQ(test::lines<Page::StepLine>(page, "Steps").size(), c.lines) << c.name;
    }

    auto in = withRunning();
    in.detail = detail(sampleSteps());
    const auto lines = test::lines<Page::StepLine>(JobDetailPane::describe(in, {}), "Steps");
    const std::vector<Page::StepLine> expected = {
        {"1", StateKind::succeeded(), "Set up job", false, "3 s"},
        {"2", StateKind::succeeded(), "Run actions/checkout@v4", false, "15 s"},
        {"3", StateKind::skipped(), "Cache SwiftPM", false, "Skipped"},
        {"4", StateKind::running(), "Run xcodebuild test", false, "78 min so far"},
        {"5", StateKind::pending(), "Upload results", true, ""},
    };
    EXPECT_EQ(lines, expected);
}

TEST(JobDetailPane, LogTitleNamesTheCurrentStepWhileLive) {
    auto failedStep = sampleSteps();
    (*failedStep.steps)[3].status = "completed";
    (*failedStep.steps)[3].conclusion = "failure";
    (*failedStep.steps)[3].completedAt = "2026-12-10T09:40:19.480Z";
    auto stale = sampleSteps();
    stale.job.status = "completed";
    struct Case {
        const char* name;
        JobDetailPane::Inputs in;
        std::optional<JobDetail> detail;
        std::string title;
    };
    const Case cases[] = {
        {"running at a step", withRunning(), detail(sampleSteps()), "Run xcodebuild test, live"},
        {"running between steps", withRunning(), detail(failedStep), "Runner log, live"},
        {"running without steps", withRunning(), std::nullopt, "Runner log, live"},
        {"starting", withRunning(running({{"started", false}})), detail(), "Runner log, live"},
        {"ended while a step still shows running", withFinished(), detail(sampleSteps()), "Runner log"},
        {"a failed step of a failed job", withFinished(), detail(failedStep), "Runner log"},
        {"no state, a step still running", base(), detail(stale), "Runner log"},
    };
    for (const auto& c : cases) {
        auto in = c.in;
        in.detail = c.detail;
        EXPECT_EQ(JobDetailPane::logTitle(in), c.title) << c.name;
        EXPECT_EQ(logOf(JobDetailPane::describe(in, {})).title, c.title) << c.name;
    }
    auto in = withFinished();
    in.detail = detail(failedStep);
    const auto lines = test::lines<Page::StepLine>(JobDetailPane::describe(in, {}), "Steps");
    EXPECT_EQ(lines[3], (Page::StepLine{"4", StateKind::failed(), "Run xcodebuild test", false, "5 min"}));
}

TEST(JobDetailPane, LogPlaceholderInOrder) {
    struct Case {
        const char* name;
        JobDetailPane::Inputs in;
        std::optional<JobDetail> detail;
        std::optional<std::string> placeholder;
    };
    auto tooOld = loaded("");
    tooOld.logLoaded = false;
    tooOld.logProblem = RouteProblem::needsAgent("0.1.36");
    auto failedRead = loaded("kept text\n");
    failedRead.logProblem = RouteProblem::failed("The log could not be read.");
    auto reading = detail();
    const Case cases[] = {
        {"the agent is too old, before reading", withRunning(), tooOld, "Needs agent 0.1.36"},
        {"a failed read, also with text held", withRunning(), failedRead, "The log could not be read."},
        {"no detail", withRunning(), std::nullopt, "Reading the log\u2026"},
        {"not loaded yet", withRunning(), reading, "Reading the log\u2026"},
        {"text", withRunning(), loaded("line\n"), std::nullopt},
        {"empty with a source, running", withRunning(), loaded(""), "Nothing written yet."},
        {"empty with a source, ended", withFinished(), loaded(""), "The log is empty."},
        {"nothing kept, ended", withFinished(), loaded("", ""), "No log was kept for this job."},
        {"nothing kept, no state", base(), loaded("", ""), "No log was kept for this job."},
        {"nothing yet on a macOS VM", withRunning(), loaded("", ""), "A macOS VM sends its log when the job ends."},
        {"nothing yet on a Linux VM", withRunning(running({{"label", "ubuntu-24.04"}})), loaded("", ""),
         "The log starts once the VM is up."},
        {"nothing yet, live from the steps only", base(), [] {
             auto d = loaded("", "");
             d.steps = stepsAnswer("in_progress", nullptr);
             return d;
         }(), "The log starts once the VM is up."},
    };
    for (const auto& c : cases) {
        auto in = c.in;
        in.detail = c.detail;
        EXPECT_EQ(JobDetailPane::logPlaceholder(in), c.placeholder) << c.name;
        const auto& log = logOf(JobDetailPane::describe(in, {}));
        EXPECT_EQ(log.placeholder, c.placeholder) << c.name;
        EXPECT_EQ(log.followControls, c.placeholder == std::nullopt && in.running) << c.name;
    }
}

TEST(JobDetailPane, LogFollowsUntilTheUserScrollsAway) {
    auto in = withRunning();
    in.detail = loaded("first\nsecond\n");
    const auto& following = logOf(JobDetailPane::describe(in, {}));
    EXPECT_EQ(following.text, "first\nsecond\n");
    EXPECT_TRUE(following.followControls);
    EXPECT_TRUE(following.following);
    EXPECT_EQ(following.scrolledAway, (PaneCommands{PaneCommand::SetView{"scrolledAway", "true"}}));
    EXPECT_EQ(following.backAtEnd, (PaneCommands{PaneCommand::SetView{"scrolledAway", ""}}));
    EXPECT_EQ(following.jumpToEnd, (PaneCommands{PaneCommand::SetView{"scrolledAway", ""}}));

    PaneViewState away;
    away.set(JobDetailPane::scrolledAway, "true");
    EXPECT_FALSE(logOf(JobDetailPane::describe(in, away)).following);
    EXPECT_TRUE(logOf(JobDetailPane::describe(in, away)).followControls);

    // Once the job has ended the controls go, the text stays.
    auto ended = withFinished();
    ended.detail = in.detail;
    const auto& log = logOf(JobDetailPane::describe(ended, away));
    EXPECT_FALSE(log.followControls);
    EXPECT_EQ(log.text, "first\nsecond\n");
    EXPECT_EQ(log.title, "Runner log");
}

TEST(JobDetailPane, StopIsOfferedWhileTheJobRunsAndAllowedOnlyWhenItCanBeStopped) {
    auto in = withRunning();
    auto page = JobDetailPane::describe(in, {});
    ASSERT_TRUE(page.accessory);
    EXPECT_EQ(page.accessory->spacing, 8);
    ASSERT_EQ(page.accessory->items.size(), 2u);
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 0),
              Page::button("Stop Job\u2026", {PaneCommand::SetView{"confirmingStop", "true"}},
                           Page::Button::Style::destructive));
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 1),
              Page::button("View on GitHub", {PaneCommand::OpenLink{in.githubURL}}));

    in.canStop = false;
    const auto stop = test::accessoryItem<Page::Button>(JobDetailPane::describe(in, {}), 0);
    EXPECT_FALSE(stop.enabled);
    EXPECT_EQ(stop.help, "Needs agent 0.1.36 while other jobs run");
    EXPECT_EQ(stop.style, Page::Button::Style::destructive);

    // An ended job has no Stop button; without a link "View on GitHub" is disabled.
    auto ended = withFinished();
    page = JobDetailPane::describe(ended, {});
    ASSERT_EQ(page.accessory->items.size(), 1u);
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 0),
              Page::button("View on GitHub", {PaneCommand::OpenLink{std::nullopt}}, Page::Button::Style::standard, false));
}

TEST(JobDetailPane, StopConfirmationOnlyWhileTheJobIsStillRunning) {
    PaneViewState confirming;
    confirming.set(JobDetailPane::confirmingStop, "true");
    auto in = withRunning();
    EXPECT_EQ(JobDetailPane::describe(in, {}).alert, std::nullopt);
    const auto page = JobDetailPane::describe(in, confirming);
    ASSERT_TRUE(page.alert);
    EXPECT_EQ(page.alert->key, "confirmingStop");
    EXPECT_EQ(page.alert->title, "Stop test (iPhone 16)?");
    EXPECT_EQ(page.alert->message, "Its VM stops now and the job runs again on GitHub-hosted.");
    EXPECT_EQ(page.alert->confirm,
              Page::button("Stop Job", {PaneCommand::StopJob{jobId}, PaneCommand::SetView{"confirmingStop", ""}},
                           Page::Button::Style::destructive));
    EXPECT_EQ(page.alert->cancel, Page::button("Cancel", {PaneCommand::SetView{"confirmingStop", ""}}));
    auto withoutAlert = page;
    withoutAlert.alert.reset();
    EXPECT_EQ(withoutAlert, JobDetailPane::describe(in, {}));

    // The job has left the running list while the confirmation was up: nothing left to stop.
    in.running.reset();
    in.finished = finished({{"conclusion", "success"}});
    EXPECT_EQ(JobDetailPane::describe(in, confirming).alert, std::nullopt);
    EXPECT_EQ(JobDetailPane::describe(base(), confirming).alert, std::nullopt);
}

TEST(JobDetailPane, StepsAndLogArriveFromTheModelAndTheLogMovesOn) {
    test::Harness h;
    test::serveSamples(*h.agent);
    h.agent->route("GET", "/jobs/" + jobId + "/steps", Reply::json(test::sampleAnswer("jobs." + jobId + ".steps.json")));
    h.agent->route("GET", "/jobs/" + jobId + "/log", Reply::json(test::sampleAnswer("jobs." + jobId + ".log.json")));
    h.agent->route("GET", "/jobs/" + jobId + "/log?since=612",
                   Reply::json(R"({"start":612,"next":640,"size":640,"text":"more lines of the log\n","running":true,"source":"runner"})"));
    h.refreshAndWait();
    h.model->setVisiblePane(AppPane::jobs);
    h.drain();

    auto describe = [&] { return JobDetailPane::describe(JobDetailPane::inputs(*h.model, jobId, std::nullopt), {}); };
    EXPECT_EQ(logOf(describe()).placeholder, "Reading the log\u2026") << "before the job is opened";
    h.model->openJob(jobId);
    h.drain();

    auto page = describe();
    EXPECT_EQ(page.title, "test (iPhone 16)");
    EXPECT_EQ(test::block<Page::Summary>(page, "summary").pill, (Page::Pill{"About 6 min left", PillTone::accent}));
    EXPECT_EQ(test::rowKeys(page, "Steps"), (Keys{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(test::accessoryItem<Page::Button>(page, 1).press,
              (PaneCommands{PaneCommand::OpenLink{"https://github.com/acme-robotics/ios-app/actions/runs/11920334581/job/31880421907"}}))
        << "the steps answer's link";
    const auto first = logOf(page);
    EXPECT_EQ(first.title, "Run xcodebuild test, live");
    EXPECT_EQ(first.placeholder, std::nullopt);
    EXPECT_TRUE(first.followControls);
    EXPECT_NE(first.text.find("Current runner version: '2.321.0'"), std::string::npos);
    EXPECT_NE(first.text.find("git version 2.47.1\n"), std::string::npos) << "colour codes are removed";
    EXPECT_EQ(first.text.find("more lines of the log"), std::string::npos);

    h.clock->fire(1.0);
    h.drain();
    EXPECT_EQ(h.count("GET /jobs/" + jobId + "/log?since=612"), 1u);
    EXPECT_EQ(logOf(describe()).text, first.text + "more lines of the log\n");
}

} // namespace
} // namespace quillmarsh

namespace quillmarsh {
namespace {

// Megabytes of name, repository, ref, step name and log line reach the page cut: every text a
// label's worth ending in "…", and each log line what the log view shows of one.
TEST(JobDetailPane, TheAgentsLongTextsAreCutBeforeTheyReachTheWidgets) {
    const std::string mega(1 << 20, 'x');
    const std::string cut = std::string(1000, 'x') + "\u2026";
    auto in = withRunning(running({{"name", mega}, {"repository", "acme/" + mega}, {"ref", "refs/heads/" + mega}}));
    auto steps = sampleSteps();
    (*steps.steps)[3].name = mega;
    in.detail = loaded("first\n" + std::string(3 << 20, 'y') + "\nlast\n");
    in.detail->steps = steps;
    PaneViewState view;
    view.set(JobDetailPane::confirmingStop, "true");
    const Page page = JobDetailPane::describe(in, view);

    EXPECT_EQ(page.title, cut);
    const auto& summary = test::block<Page::Summary>(page, "summary");
    EXPECT_EQ(summary.title, "acme/" + std::string(995, 'x') + "\u2026, " + cut);
    EXPECT_LE(summary.meta.size(), 1003u);
    EXPECT_EQ(test::lines<Page::StepLine>(page, "Steps")[3].name, cut);
    EXPECT_EQ(logOf(page).title, cut + ", live");
    EXPECT_EQ(logOf(page).text, "first\n" + std::string(4000, 'y') + "\u2026\nlast\n");
    ASSERT_TRUE(page.alert);
    EXPECT_EQ(page.alert->title, "Stop " + cut + "?");
}

} // namespace
} // namespace quillmarsh
