#include "Agent/AgentClient.h"
#include "Foundation/JsonText.h"
#include "Records/AgentStatus.h"
#include "Records/CachesReport.h"
#include "Records/Fleet.h"
#include "Records/ImageReport.h"
#include "Records/JobLog.h"
#include "Records/JobsSnapshot.h"
#include "Records/JobSteps.h"
#include "Records/PolicyView.h"
#include "Support/FakeAgentProgram.h"
#include "Support/Fixtures.h"
#include "Support/TempFolder.h"
#include "Time/RFC3339.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace quillmarsh {
namespace {

// The fake-agent program serving the sample folder, stopped with SIGTERM at the end.
class AgentClientFakeAgentProgram : public ::testing::Test {
protected:
    void TearDown() override {
        const auto ending = program_.stop();
        EXPECT_EQ(ending.status, 0) << "no clean exit on SIGTERM";
        EXPECT_TRUE(ending.socketRemoved) << "socket left behind";
    }

    AgentClient client() const { return AgentClient(program_.socketPath(), std::chrono::milliseconds(2000)); }

    const test::TempFolder home_{"qm"};
    test::FakeAgentProgram program_{test::fakeAgentProgramPath(), test::fixturesFolder() + "/agent",
                                    home_.string() + "/agent.sock"};
};

TEST_F(AgentClientFakeAgentProgram, ServesTheSampleFilesByRoute) {
    AgentClient agent = client();
    AgentStatus status = agent.get<AgentStatus>("/status");
    EXPECT_EQ(status.runningJobs, 2);
    ASSERT_TRUE(status.imageBuild);
    EXPECT_EQ(status.machines.size(), 3u);
    EXPECT_EQ(agent.get<JobsSnapshot>("/jobs?limit=50").running.size(), 2u);  // query dropped

    // Every other sample route decodes into its record through the program.
    EXPECT_EQ(agent.get<Fleet>("/machines").machines.size(), 4u);
    EXPECT_EQ(agent.get<CachesReport>("/caches").repositories.size(), 3u);
    EXPECT_EQ(agent.get<ImageReport>("/image/checks").checks.size(), 4u);
    EXPECT_TRUE(agent.get<PolicyView>("/policy").pluggedInOnly);
    EXPECT_TRUE(agent.post<PolicyView>("/policy", {{"paused", false}}).pluggedInOnly);
    ASSERT_TRUE(agent.get<JobSteps>("/jobs/31880421907/steps").steps);
    EXPECT_EQ(agent.get<JobLog>("/jobs/31880421907/log").next, 612);

    auto raw = [&](const char* method, const char* path) { return agent.raw(method, path, std::nullopt); };
    EXPECT_NO_THROW(AgentClient::parse(raw("GET", "/image/checks")));
    EXPECT_NO_THROW(AgentClient::parse(raw("GET", "/jobs/31880421907/log?since=612")));
    EXPECT_EQ(AgentClient::statusCode(raw("GET", "/update")), 405);
    // A method's own file wins over the plain one.
    EXPECT_EQ(AgentClient::parse(agent.raw("POST", "/mode", std::string("{}"))), "{\"routing\": \"primary\"}\n");
    EXPECT_THROW(AgentClient::parse(raw("GET", "/nowhere")), AgentError);
    EXPECT_EQ(AgentClient::statusCode(raw("GET", "/../status")), 404);
}

// With --recorded-at the sample reads as recorded just now: its dates move by the whole seconds
// since that moment, so a step that started 400 s before it started 400 s before the answer.
TEST(FakeAgentProgramTimes, RecordedAtMovesEveryDateByTheTimeSinceThen) {
    const auto wallClock = [] {
        using namespace std::chrono;
        return Date::fromMilliseconds(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
    };
    const test::TempFolder home{"qm"};
    const Date before = wallClock();
    test::FakeAgentProgram program(test::fakeAgentProgramPath(), test::fixturesFolder() + "/agent",
                                   home.string() + "/agent.sock", {"--recorded-at", "2026-12-10T09:41:59Z"});
    AgentClient agent(program.socketPath(), std::chrono::milliseconds(2000));
    const auto steps = agent.get<JobSteps>("/jobs/31880421907/steps").steps;
    const Date after = wallClock();
    ASSERT_TRUE(steps && steps->size() == 5);
    // In the file: set up at 09:35:01, the tests from 09:35:19.480.
    const auto setUp = RFC3339::parse((*steps)[0].startedAt.value_or(""));
    const auto tests = RFC3339::parse((*steps)[3].startedAt.value_or(""));
    ASSERT_TRUE(setUp && tests);
    EXPECT_EQ(tests->timeIntervalSince(*setUp), 18.0) << "the gaps stay, to the whole second";
    EXPECT_GE(tests->adding(400), before.adding(-1));
    EXPECT_LE(tests->adding(400), after);
    EXPECT_EQ(agent.get<AgentStatus>("/status").runningJobs, 2) << "the rest of the answer is unchanged";
}

TEST(FakeAgentProgramStart, ThrowsWhenTheProgramCannotServe) {
    const test::TempFolder home{"qm"};
    // No folder to listen in: the program ends at once, and says why on the test's standard error.
    EXPECT_THROW(test::FakeAgentProgram(test::fakeAgentProgramPath(), test::fixturesFolder() + "/agent",
                                        home.string() + "/missing/agent.sock"),
                 std::runtime_error);
}

TEST(FakeAgentSampleData, EveryAnswerIsStrictJson) {
    std::size_t answers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::fixturesFolder() + "/agent")) {
        if (entry.path().extension() != ".json") continue;
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        EXPECT_NO_THROW(JsonText::parse(test::sampleAnswer(name)));
        ++answers;
    }
    EXPECT_GT(answers, 0u);
}

} // namespace
} // namespace quillmarsh
