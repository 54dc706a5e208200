#include "Foundation/DecodeError.h"
#include "Records/JobSteps.h"

#include <gtest/gtest.h>

#include <vector>

using namespace quillmarsh;

TEST(JobStepsTest, DecodesSteps) {
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

    const char* bad[] = {
        R"({"steps":[]})",
        R"({"job":{"id":"j1"}})",
        R"({"job":{"id":"j1","status":"queued"},"steps":[{"number":"1","name":"x","status":"queued"}]})",
        R"({"job":{"id":"j1","status":"queued"},"steps":[{"number":1,"name":"x","status":"queued","started_at":5}]})",
    };
    for (const char* body : bad) EXPECT_THROW(JobSteps::parse(body), DecodeError) << body;
}
