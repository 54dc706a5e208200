#include "Support/LondonTime.h"
#include "Time/Calendar.h"
#include "Vocabulary/JobFilter.h"
#include "Vocabulary/JobState.h"
#include "Words/JobsList.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

using namespace quillmarsh;
using test::london;
using test::londonTime;

namespace {

const Date now = londonTime(2026, 12, 10, 10, 0);

RunningJob running(std::string label, bool started, std::int64_t elapsed, std::int64_t expected) {
    RunningJob job;
    job.jobId = "r-" + std::to_string(elapsed);
    job.runId = 42;
    job.repository = "acme/app";
    job.workflow = "CI";
    job.name = "build";
    job.label = std::move(label);
    job.started = started;
    job.elapsedSeconds = elapsed;
    job.expectedSeconds = expected;
    return job;
}

FinishedJob finished(std::string conclusion, std::int64_t duration, std::optional<std::string> ref = std::nullopt) {
    FinishedJob job;
    job.jobId = "f-" + conclusion;
    job.runId = 7;
    job.repository = "acme/app";
    job.workflow = "CI";
    job.name = "test";
    job.label = "linux";
    job.conclusion = std::move(conclusion);
    job.finishedAt = now.adding(-300);
    job.durationSeconds = duration;
    job.ref = std::move(ref);
    return job;
}

HostInfo host(std::int64_t macCPUs, std::int64_t macMiB, std::int64_t linuxCPUs, std::int64_t linuxMiB) {
    HostInfo h;
    h.macosGuest = {macCPUs, macMiB};
    h.linuxGuest = {linuxCPUs, linuxMiB};
    return h;
}

std::vector<std::string> ids(const std::vector<JobRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) out.push_back(row.id);
    return out;
}

} // namespace

TEST(JobsListTest, VocabulariesAndLinks) {
    EXPECT_EQ(fromRaw<JobFilter>("Failed"), JobFilter::failed);
    EXPECT_EQ(fromRaw<JobFilter>("failed"), std::nullopt);
    EXPECT_EQ(rawValue(JobFilter::all), "All");
    EXPECT_EQ(rawValue(JobFilter::running), "Running");

    const std::pair<const char*, JobState> conclusions[] = {
        {"success", JobState::succeeded()}, {"cancelled", JobState::cancelled()},
        {"host_stopped", JobState::stopped()}, {"Success", JobState::failed()},
        {"timed_out", JobState::failed()}, {"", JobState::failed()},
    };
    for (const auto& [code, state] : conclusions) EXPECT_EQ(JobState::of(code), state) << code;
    EXPECT_EQ(JobState::running(0.5).word(), "Running");
    EXPECT_TRUE(JobState::starting().isRunning());
    EXPECT_FALSE(JobState::stopped().isRunning());
    EXPECT_EQ(JobState::stopped().word(), "Stopped");
    EXPECT_NE(JobState::running(0.5), JobState::running(std::nullopt));

    EXPECT_EQ(JobsList::runURL("acme/app", 123), "https://github.com/acme/app/actions/runs/123");
    EXPECT_EQ(JobsList::runURL("acme/app", -5), "https://github.com/acme/app/actions/runs/-5");
    EXPECT_EQ(JobsList::runURL("", 123), std::nullopt);
    EXPECT_EQ(JobsList::runURL("acme/app", 0), std::nullopt);

    const std::tuple<const char*, std::optional<HostInfo>, std::optional<std::string>> guests[] = {
        {"macos-15", std::nullopt, std::nullopt},
        {"macos-15", host(4, 6144, 2, 4096), "4 cores, 6 GB"},
        {"ubuntu", host(4, 6144, 2, 4096), "2 cores, 4 GB"},
        {"ubuntu", host(4, 6144, 0, 4096), std::nullopt},
        {"macos", host(1, 1536, 2, 4096), "1 cores, 2 GB"},  // 1.5 GB rounds away from zero
        {"macos", host(1, 1535, 2, 4096), "1 cores, 1 GB"},
    };
    for (const auto& [label, h, text] : guests) EXPECT_EQ(JobsList::guest(label, h), text) << label;
}

TEST(JobsListTest, RunningRows) {
    RunningJob linked = running("ubuntu-latest", true, 7200, 600);
    linked.runUrl = "https://github.test/run/1";
    RunningJob anonymous = running("macos-15", true, 30, 600);
    anonymous.jobId = "";
    anonymous.runId = 0;
    const JobsSnapshot snapshot{{running("macos-15", true, 30, 0), running("macos-15", false, 0, 600),
                                 running("ubuntu", true, 59, 6000), linked, anonymous},
                                {}};

    const auto rows = JobsList::running(snapshot, std::nullopt);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (JobRow{"r-30", "app", "acme/app", "build", "macOS VM, started just now", "30 s",
                               JobState::running(std::nullopt), "https://github.com/acme/app/actions/runs/42"}));
    EXPECT_EQ(rows[1].meta, "macOS VM, starting");
    EXPECT_EQ(rows[1].state, JobState::starting());
    EXPECT_EQ(rows[1].trailing, "starting");
    EXPECT_EQ(rows[2].state, JobState::running(0.02));
    EXPECT_EQ(rows[2].meta, "Linux VM, started just now");
    EXPECT_EQ(rows[3].meta, "Linux VM, started 2 hr ago");
    EXPECT_EQ(rows[3].state, JobState::running(0.97));
    EXPECT_EQ(rows[3].trailing, "almost done");
    EXPECT_EQ(rows[3].runURL, "https://github.test/run/1");
    EXPECT_EQ(rows[4].id, "0-build");
    EXPECT_EQ(rows[4].runURL, std::nullopt);

    const auto sized = JobsList::running(snapshot, host(4, 6144, 0, 2048));
    EXPECT_EQ(sized[0].meta, "macOS VM, 4 cores, 6 GB, started just now");
    EXPECT_EQ(sized[3].meta, "Linux VM, started 2 hr ago");  // a guest of 0 CPUs adds no size

    // Agent integers at the edges neither overflow nor leave the progress range.
    const auto extreme = JobsList::running(
        JobsSnapshot{{running("linux", true, std::numeric_limits<std::int64_t>::min(),
                              std::numeric_limits<std::int64_t>::max())},
                     {}},
        std::nullopt);
    EXPECT_EQ(extreme[0].state, JobState::running(0.02));
}

TEST(JobsListTest, RecentRowsFollowTheFilter) {
    FinishedJob old = finished("success", 125, "refs/heads/main");
    old.finishedAt = londonTime(2026, 3, 4, 9, 0);
    FinishedJob linked = finished("cancelled", 0);
    linked.runUrl = "https://github.test/run/9";
    const JobsSnapshot snapshot{{},
                                {old, finished("timed_out", 42, "refs/pull/17/merge"), linked,
                                 finished("host_stopped", 0), finished("", 0), finished("cancelled", 61)}};

    const auto all = JobsList::recent(snapshot, JobFilter::all, now, london());
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0], (JobRow{"f-success", "app", "acme/app", "test", "main, 2 min 5 s", "4 Mar", JobState::succeeded(),
                              "https://github.com/acme/app/actions/runs/7"}));
    EXPECT_EQ(all[1].meta, "pull request 17, failed after 42 s");
    EXPECT_EQ(all[1].trailing, "5 min ago");
    EXPECT_EQ(all[2].meta, "");
    EXPECT_EQ(all[2].runURL, "https://github.test/run/9");
    EXPECT_EQ(all[3].meta, "stopped here, re-run on GitHub-hosted");
    EXPECT_EQ(all[3].state, JobState::stopped());
    EXPECT_EQ(all[4].meta, "");  // failed, no ref, no duration
    EXPECT_EQ(all[5].meta, "cancelled after 1 min 1 s");

    EXPECT_EQ(ids(JobsList::recent(snapshot, JobFilter::failed, now, london())), (std::vector<std::string>{"f-timed_out", "f-"}));
    EXPECT_TRUE(JobsList::recent(snapshot, JobFilter::running, now, london()).empty());

    FinishedJob justNow = finished("success", 5);
    justNow.finishedAt = now.adding(-10);
    EXPECT_EQ(JobsList::recent(JobsSnapshot{{}, {justNow}}, JobFilter::all, now, london())[0].trailing, "Just now");
}

// An answer far longer than the 50 jobs asked for shows only the first 50 of each list; the
// Failed filter keeps the failures among those 50, not the first 50 failures.
TEST(JobsListTest, EachListShowsAtMostItsFirstFifty) {
    JobsSnapshot snapshot;
    for (int i = 0; i < 120; ++i) {
        RunningJob job = running("linux", true, 60 + i, 0);
        job.jobId = "r" + std::to_string(i);
        snapshot.running.push_back(job);
        FinishedJob done = finished(i % 2 == 0 ? "failure" : "success", 60);
        done.jobId = "f" + std::to_string(i);
        snapshot.recent.push_back(done);
    }
    std::vector<std::string> firstRunning, firstRecent, firstFailed;
    for (int i = 0; i < 50; ++i) {
        firstRunning.push_back("r" + std::to_string(i));
        firstRecent.push_back("f" + std::to_string(i));
        if (i % 2 == 0) firstFailed.push_back("f" + std::to_string(i));
    }
    EXPECT_EQ(ids(JobsList::running(snapshot, std::nullopt)), firstRunning);
    EXPECT_EQ(ids(JobsList::recent(snapshot, JobFilter::all, now, london())), firstRecent);
    EXPECT_EQ(ids(JobsList::recent(snapshot, JobFilter::failed, now, london())), firstFailed);
}

// A megabyte of name, repository or ref becomes a label's worth of text; the id and the run link
// stay whole.
TEST(JobsListTest, RowTextsAreCutToALabelsWorth) {
    const std::string mega(1 << 20, 'x');
    const std::string cut = std::string(1000, 'x') + "\u2026";
    RunningJob job = running("linux", true, 90, 0);
    job.jobId = "r-" + mega;
    job.name = mega;
    job.repository = "acme/" + mega;
    job.ref = "refs/heads/" + mega;
    FinishedJob done = finished("failure", 60, "refs/heads/" + mega);
    done.name = mega;
    done.repository = "acme/" + mega;
    done.runUrl = "https://github.com/acme/" + mega;
    const JobsSnapshot snapshot{{job}, {done}};
    const std::vector<JobRow> rows = {JobsList::running(snapshot, std::nullopt).at(0),
                                      JobsList::recent(snapshot, JobFilter::all, now, london()).at(0)};
    for (const JobRow& row : rows) {
        EXPECT_EQ(row.name, cut);
        EXPECT_EQ(row.repository, cut);
        EXPECT_EQ(row.fullRepository, "acme/" + std::string(995, 'x') + "\u2026");
    }
    EXPECT_EQ(rows[1].meta, cut);
    EXPECT_EQ(rows[0].id, "r-" + mega);
    EXPECT_EQ(rows[1].runURL, "https://github.com/acme/" + mega);
}

// The short name of a long repository is its last piece, as for any other, then cut.
TEST(JobsListTest, TheShortNameOfALongRepositoryIsItsLastPieceCut) {
    const std::string mega(1 << 20, 'x');
    const std::string cut = std::string(1000, 'x') + "\u2026";
    const struct {
        std::string repository;
        std::string shortName;
    } cases[] = {
        {"acme/" + mega, cut},
        {mega + "/app", "app"},
        {"acme/" + mega + "//", cut},
        {mega, cut},
        {std::string(2000, '/'), std::string(1000, '/') + "\u2026"},
    };
    for (const auto& c : cases) {
        FinishedJob job = finished("success", 60);
        job.repository = c.repository;
        EXPECT_EQ(JobsList::recent(JobsSnapshot{{}, {job}}, JobFilter::all, now, london()).at(0).repository, c.shortName)
            << c.repository.substr(0, 12);
    }
}
