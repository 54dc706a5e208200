#include "Foundation/DecodeError.h"
#include "Records/JobLog.h"
#include "Records/JobSteps.h"
#include "Time/Calendar.h"
#include "Words/LogBuffer.h"
#include "Words/StepWords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace quillmarsh;

namespace {

JobLog chunk(std::int64_t start, std::int64_t next, std::string text, std::string source = "runner") {
    return JobLog{start, next, 0, std::move(text), true, std::move(source)};
}

std::string lines(int count, const char* ending = "\n") {
    std::string out;
    for (int i = 1; i <= count; ++i) out += "line " + std::to_string(i) + ending;
    return out;
}

JobStep step(std::string status, std::optional<std::string> conclusion = std::nullopt,
             std::optional<std::string> started = std::nullopt, std::optional<std::string> completed = std::nullopt) {
    return JobStep{1, "Build", std::move(status), std::move(conclusion), std::move(started), std::move(completed)};
}

} // namespace

TEST(JobStepsTest, DecodesStepsAndLogChunks) {
    const JobSteps steps = JobSteps::parse(R"({"job":{"id":"j1","status":"in_progress","conclusion":null,"extra":1},
        "steps":[{"number":1,"name":"Set up","status":"completed","conclusion":"success",
                  "started_at":"2026-12-10T09:00:00Z","completed_at":"2026-12-10T09:00:05Z"},
                 {"number":2,"name":"Build","status":"queued"}],
        "url":"https://github.test/run/1"})");
    EXPECT_EQ(steps, (JobSteps{{"j1", "in_progress", std::nullopt, std::nullopt},
                               std::vector<JobStep>{{1, "Set up", "completed", "success", "2026-12-10T09:00:00Z",
                                                     "2026-12-10T09:00:05Z"},
                                                    {2, "Build", "queued", {}, {}, {}}},
                               "https://github.test/run/1"}));
    EXPECT_EQ(JobSteps::parse(R"({"job":{"id":"j1","status":"queued"}})").steps, std::nullopt);
    EXPECT_EQ(JobSteps::parse(R"({"job":{"id":"j1","status":"queued"},"steps":null})").steps, std::nullopt);
    EXPECT_EQ(JobSteps::parse(R"({"job":{"id":"j1","status":"queued"},"steps":[]})").steps, std::vector<JobStep>{});

    EXPECT_EQ(JobLog::parse(R"({"start":0,"next":12,"size":12,"text":"hello\n","running":false,"source":"file"})"),
              (JobLog{0, 12, 12, "hello\n", false, "file"}));

    const char* bad[] = {
        R"({"steps":[]})",
        R"({"job":{"id":"j1"}})",
        R"({"job":{"id":"j1","status":"queued"},"steps":[{"number":"1","name":"x","status":"queued"}]})",
        R"({"job":{"id":"j1","status":"queued"},"steps":[{"number":1,"name":"x","status":"queued","started_at":5}]})",
    };
    for (const char* body : bad) EXPECT_THROW(JobSteps::parse(body), DecodeError) << body;
    const char* badLogs[] = {
        R"({"start":0,"next":1,"size":1,"text":"x","running":true})",
        R"({"start":0,"next":1,"size":1,"text":null,"running":true,"source":""})",
        R"({"start":0.5,"next":1,"size":1,"text":"x","running":true,"source":""})",
    };
    for (const char* body : badLogs) EXPECT_THROW(JobLog::parse(body), DecodeError) << body;
}

TEST(LogBufferTest, AppendsAtTheCursorAndReplacesOtherwise) {
    LogBuffer buffer(4000);
    // A first chunk with no text: nothing changes but the cursor and the source.
    EXPECT_FALSE(buffer.apply(chunk(0, 0, "", "file")));
    EXPECT_EQ(buffer.text(), "");
    EXPECT_EQ(buffer.next(), 0);
    EXPECT_EQ(buffer.source(), "file");

    EXPECT_TRUE(buffer.apply(chunk(0, 6, "\x1b[32mone\n\x1b[0m")));
    EXPECT_EQ(buffer.text(), "one\n");
    EXPECT_EQ(buffer.source(), "runner");
    EXPECT_TRUE(buffer.apply(chunk(6, 10, "two\n")));
    EXPECT_EQ(buffer.text(), "one\ntwo\n");
    // Nothing new at the cursor only moves the cursor.
    EXPECT_FALSE(buffer.apply(chunk(10, 11, "")));
    EXPECT_EQ(buffer.text(), "one\ntwo\n");
    EXPECT_EQ(buffer.next(), 11);
    // A chunk from elsewhere replaces the text; the same text is no change.
    EXPECT_FALSE(buffer.apply(chunk(0, 20, "one\ntwo\n")));
    EXPECT_EQ(buffer.next(), 20);
    EXPECT_TRUE(buffer.apply(chunk(3, 30, "fresh")));
    EXPECT_EQ(buffer.text(), "fresh");

    // A sequence split between chunks is cleaned chunk by chunk, so it stays.
    LogBuffer split(10);
    split.apply(chunk(0, 1, "a\x1b[3"));
    split.apply(chunk(1, 2, "1mb"));
    EXPECT_EQ(split.text(), "a\x1b[31mb");

    // The change is judged before trimming: a longer text that trims to the old one changed it.
    LogBuffer small(1);
    small.apply(chunk(0, 1, "b\n"));
    EXPECT_TRUE(small.apply(chunk(5, 6, "a\nb\n")));
    EXPECT_EQ(small.text(), "b\n");
}

TEST(LogBufferTest, KeepsTheLastLineFeedsOfTheLimit) {
    struct Case {
        std::string text;
        std::int64_t limit;
        std::string kept;
    } cases[] = {
        {lines(4), 3, "line 2\nline 3\nline 4\n"},
        {lines(4) + "five", 3, "line 2\nline 3\nline 4\nfive"},
        {lines(3) + "four", 3, lines(3) + "four"},
        {lines(3), 3, lines(3)},
        {"no line feed", 3, "no line feed"},
        {lines(2), 0, ""},
        {lines(2) + "tail", 0, "tail"},
        {"\n\n\n\n", 2, "\n\n"},
        // CR LF lines count like any other, so a Windows-style log is cut too.
        {lines(4, "\r\n"), 3, "line 2\r\nline 3\r\nline 4\r\n"},
        {lines(4, "\r\n") + "five\r", 2, "line 3\r\nline 4\r\nfive\r"},
    };
    for (const auto& c : cases) {
        LogBuffer replaced(c.limit);
        replaced.apply(chunk(0, 1, c.text));
        EXPECT_EQ(replaced.text(), c.kept) << c.text << " limit " << c.limit;

        // The same text arriving one character at a time keeps the same tail.
        LogBuffer appended(c.limit);
        appended.apply(chunk(0, 0, ""));
        for (std::size_t i = 0; i < c.text.size(); ++i) {
            appended.apply(chunk(static_cast<std::int64_t>(i), static_cast<std::int64_t>(i + 1), c.text.substr(i, 1)));
        }
        EXPECT_EQ(appended.text(), c.kept) << c.text << " limit " << c.limit << " appended";
    }
}

TEST(LogBufferTest, ALongLogStaysWithinItsLimit) {
    LogBuffer buffer(4000);
    std::int64_t cursor = 0;
    buffer.apply(chunk(0, 0, ""));
    for (int round = 0; round < 300; ++round) {
        const std::string text = lines(50, round % 2 ? "\r\n" : "\n");
        buffer.apply(chunk(cursor, cursor + 1, text));
        ++cursor;
        ASSERT_LE(std::count(buffer.text().begin(), buffer.text().end(), '\n'), 4000);
    }
    EXPECT_EQ(std::count(buffer.text().begin(), buffer.text().end(), '\n'), 4000);
    EXPECT_EQ(buffer.text().substr(buffer.text().size() - 9), "line 50\r\n");

    // Copies compare by their text, whatever was cut before it.
    LogBuffer same(4000);
    same.apply(chunk(7, cursor, std::string(buffer.text())));
    EXPECT_EQ(same, buffer);
    same.setLineLimit(10);
    EXPECT_NE(same, buffer);
}

TEST(StepWordsTest, StateTrailingAndCurrent) {
    const std::pair<JobStep, StepState> states[] = {
        {step("in_progress"), StepState::running},
        {step("queued"), StepState::pending},
        {step("completed", "success"), StepState::succeeded},
        {step("completed", "skipped"), StepState::skipped},
        {step("completed", "cancelled"), StepState::cancelled},
        {step("completed", "failure"), StepState::failed},
        {step("completed"), StepState::failed},
        {step("completed", "Success"), StepState::failed},
    };
    for (const auto& [s, state] : states) EXPECT_EQ(StepWords::state(s), state) << s.status;

    const Date now = *Calendar::utc().date(2026, 12, 10, 9, 10, 0);
    const char* start = "2026-12-10T09:00:00Z";
    const std::pair<JobStep, const char*> trailing[] = {
        {step("completed", "skipped"), "Skipped"},
        {step("in_progress"), ""},
        {step("in_progress", {}, "not a time"), ""},
        {step("in_progress", {}, start), "10 min so far"},
        {step("in_progress", {}, "2026-12-10T09:07:54.9Z"), "2 min 5 s so far"},
        {step("in_progress", {}, "2026-12-10T09:20:00Z"), "0 s so far"},
        {step("completed", "success", start), ""},
        {step("completed", "success", start, "2026-12-10T09:00:42.999Z"), "42 s"},
        {step("completed", "failure", start, "2026-12-10T08:59:00Z"), "0 s"},
    };
    for (const auto& [s, text] : trailing) EXPECT_EQ(StepWords::trailing(s, now), text) << s.startedAt.value_or("-");

    EXPECT_EQ(StepWords::current(std::nullopt), std::nullopt);
    EXPECT_EQ(StepWords::current(std::vector<JobStep>{}), std::nullopt);
    JobStep first = step("in_progress");
    JobStep second = step("in_progress");
    second.number = 2;
    EXPECT_EQ(StepWords::current(std::vector<JobStep>{step("completed", "success"), first, second}), first);
    EXPECT_EQ(StepWords::current(std::vector<JobStep>{step("queued")}), std::nullopt);
}
