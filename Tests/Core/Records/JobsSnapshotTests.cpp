#include "Foundation/DecodeError.h"
#include "Foundation/JsonText.h"
#include "Records/JobsSnapshot.h"
#include "Support/Fixtures.h"
#include "Time/Calendar.h"

#include <gtest/gtest.h>

using namespace quillmarsh;

namespace {

const char* runningJob = R"({"job_id":"j-1","run_id":42,"repository":"acme/app","workflow":"CI","name":"build",
    "label":"macos-15","started":true,"elapsed_seconds":30,"expected_seconds":600})";
const char* finishedJob = R"({"job_id":"j-2","run_id":43,"repository":"acme/app","workflow":"CI","name":"test",
    "label":"linux","conclusion":"success","started_at":"2026-12-10T09:00:00Z",
    "finished_at":"2026-12-10T09:05:00.5Z","duration_seconds":300})";

// A snapshot of one running and one finished job, with keys of either element replaced.
std::string snapshot(const char* runningPatch = "{}", const char* finishedPatch = "{}") {
    nlohmann::json running = JsonText::parse(runningJob);
    nlohmann::json finished = JsonText::parse(finishedJob);
    const nlohmann::json r = JsonText::parse(runningPatch);
    const nlohmann::json f = JsonText::parse(finishedPatch);
    for (const auto& [key, value] : r.items()) running[key] = value;
    for (const auto& [key, value] : f.items()) finished[key] = value;
    return nlohmann::json{{"running", nlohmann::json::array({running})}, {"recent", nlohmann::json::array({finished})}}
        .dump();
}

Date utc(int y, int mo, int d, int h, int mi, int s) { return *Calendar::utc().date(y, mo, d, h, mi, s); }

} // namespace

TEST(JobsSnapshotTest, DecodesBothListsInOrder) {
    const JobsSnapshot s = JobsSnapshot::parse(snapshot());
    RunningJob running{"j-1", 42, "acme/app", "CI", "build", "macos-15", true, 30, 600, {}, {}, {}};
    FinishedJob finished{"j-2", 43, "acme/app", "CI", "test", "linux", "success", utc(2026, 12, 10, 9, 0, 0),
                         utc(2026, 12, 10, 9, 5, 0).adding(0.5), 300, {}, {}, {}};
    EXPECT_EQ(s, (JobsSnapshot{{running}, {finished}}));

    const JobsSnapshot optionals = JobsSnapshot::parse(snapshot(
        R"({"ref":"main","vm":"vm-1","run_url":"https://github.test/acme/app/actions/runs/42"})",
        R"({"ref":null,"vm":"vm-2","run_url":null,"started_at":null})"));
    EXPECT_EQ(optionals.running[0].ref, "main");
    EXPECT_EQ(optionals.running[0].vm, "vm-1");
    EXPECT_EQ(optionals.running[0].runUrl, "https://github.test/acme/app/actions/runs/42");
    EXPECT_EQ(optionals.recent[0].ref, std::nullopt);
    EXPECT_EQ(optionals.recent[0].vm, "vm-2");
    EXPECT_EQ(optionals.recent[0].startedAt, std::nullopt);

    EXPECT_EQ(JobsSnapshot::parse(R"({"running":[],"recent":[]})"), JobsSnapshot{});
    const JobsSnapshot twoRecent = JobsSnapshot::parse(
        std::string(R"({"running":[],"recent":[)") + finishedJob + "," +
        JsonText::parse(snapshot("{}", R"({"job_id":"j-3"})"))["recent"][0].dump() + "]}");
    ASSERT_EQ(twoRecent.recent.size(), 2u);
    EXPECT_EQ(twoRecent.recent[0].jobId, "j-2");
    EXPECT_EQ(twoRecent.recent[1].jobId, "j-3");
}

TEST(JobsSnapshotTest, DatesFollowTheRFC3339Rule) {
    const std::pair<const char*, Date> cases[] = {
        {"2026-12-10T09:05:00Z", utc(2026, 12, 10, 9, 5, 0)},
        {"2026-12-10T09:05:00.123456Z", utc(2026, 12, 10, 9, 5, 0).adding(0.123)},
        {"2026-12-10T10:05:00+01:00", utc(2026, 12, 10, 9, 5, 0)},
        {"0001-01-01T00:00:00Z", utc(1, 1, 1, 0, 0, 0)},
    };
    for (const auto& [text, date] : cases) {
        const std::string patch = std::string(R"({"finished_at":")") + text + "\"}";
        EXPECT_EQ(JobsSnapshot::parse(snapshot("{}", patch.c_str())).recent[0].finishedAt, date) << text;
    }
}

TEST(JobsSnapshotTest, ABadElementFailsTheWholeSnapshot) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"expected_seconds":null})", "{}"},
        {R"({"job_id":null})", "{}"},
        {R"({"run_id":"42"})", "{}"},
        {R"({"run_id":42.5})", "{}"},
        {R"({"started":1})", "{}"},
        {R"({"ref":1})", "{}"},
        {R"({"elapsed_seconds":18446744073709551615})", "{}"},
        {"{}", R"({"started_at":""})"},
        {"{}", R"({"started_at":"2026-12-10"})"},
        {"{}", R"({"started_at":"yesterday"})"},
        {"{}", R"({"started_at":5})"},
        {"{}", R"({"finished_at":null})"},
        {"{}", R"({"finished_at":"2026-12-10T09:05:00"})"},
        {"{}", R"({"finished_at":"2026-13-10T09:05:00Z"})"},
        {"{}", R"({"conclusion":null})"},
        {"{}", R"({"duration_seconds":true})"},
        {"{}", R"({"run_url":[]})"},
    };
    for (const auto& [running, finished] : cases)
        EXPECT_THROW(JobsSnapshot::parse(snapshot(running, finished)), DecodeError) << running << " " << finished;

    for (const char* body : {R"({"running":[]})", R"({"recent":[]})", R"({"running":null,"recent":[]})",
                             R"({"running":{},"recent":[]})", R"({"running":[1],"recent":[]})", "[]",
                             R"({"running":[],"recent":[]}])"})
        EXPECT_THROW(JobsSnapshot::parse(body), DecodeError) << body;
}

TEST(JobsSnapshotTest, JobIdentities) {
    RunningJob running;
    running.jobId = "j-1";
    running.runId = 42;
    running.name = "build";
    EXPECT_EQ(running.id(), "j-1");
    running.jobId.clear();
    EXPECT_EQ(running.id(), "42-build");
    RunningJob twin = running;
    twin.elapsedSeconds = 99;
    EXPECT_EQ(twin.id(), running.id());

    FinishedJob finished;
    finished.runId = 42;
    finished.name = "test";
    const std::pair<Date, const char*> cases[] = {
        {Date::fromSecondsSince1970(60), "42-test-60.0"},
        {Date::fromSecondsSince1970(60.25), "42-test-60.25"},
        {Date::fromSecondsSince1970(0), "42-test-0.0"},
        {utc(2023, 11, 14, 22, 13, 20), "42-test-1700000000.0"},  // a round value stays positional
        {utc(2026, 12, 10, 9, 5, 0).adding(0.123), "42-test-1796893500.123"},
        {Date::fromSecondsSince1970(-1.5), "42-test--1.5"},
    };
    for (const auto& [date, id] : cases) {
        finished.finishedAt = date;
        EXPECT_EQ(finished.id(), id);
    }
    finished.jobId = "j-2";
    EXPECT_EQ(finished.id(), "j-2");
}

TEST(JobsSnapshotTest, SucceededIsExactlySuccess) {
    for (const auto& [conclusion, expected] : std::initializer_list<std::pair<const char*, bool>>{
             {"success", true}, {"Success", false}, {"failure", false}, {"cancelled", false}, {"", false}}) {
        FinishedJob job;
        job.conclusion = conclusion;
        EXPECT_EQ(job.succeeded(), expected) << conclusion;
    }
}

// The sample agent's answers (served by fake-agent and the demo) must stay decodable.
TEST(JobsSnapshotTest, SampleAgentAnswerDecodes) {
    EXPECT_FALSE(JobsSnapshot::parse(test::sampleAnswer("jobs.json")).recent.empty());
}
