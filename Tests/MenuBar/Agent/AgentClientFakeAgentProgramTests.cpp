#include "Agent/AgentClient.h"
#include "Foundation/FileIO.h"
#include "Foundation/JsonText.h"
#include "Foundation/UniqueFd.h"
#include "Records/AgentStatus.h"
#include "Records/CachesReport.h"
#include "Records/Fleet.h"
#include "Records/ImageReport.h"
#include "Records/JobLog.h"
#include "Records/JobsSnapshot.h"
#include "Records/JobSteps.h"
#include "Records/PolicyView.h"
#include "Support/Fixtures.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillmarsh {
namespace {

// The fake-agent program serving the sample folder, stopped with SIGTERM at the end.
class FakeAgentProgram : public ::testing::Test {
protected:
    void SetUp() override {
        socket_ = home_.string() + "/agent.sock";
        std::string program = std::string(QUILLMARSH_BIN_DIR) + "/fake-agent";
        std::string data = test::fixturesFolder() + "/agent";
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const UniqueFd readEnd(pipeFds[0]);
        UniqueFd writeEnd(pipeFds[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, readEnd.get());
        char* argv[] = {program.data(), data.data(), socket_.data(), nullptr};
        const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(spawned, 0);
        // Our copy of the write end goes now, so the read below ends if the program does.
        writeEnd.reset();
        // Its first line says the socket is listening.
        char c;
        while (::read(readEnd.get(), &c, 1) == 1 && c != '\n') {}
    }
    void TearDown() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            EXPECT_FALSE(FileIO::exists(socket_)) << "socket left behind";
        }
    }

    AgentClient client() const { return AgentClient(socket_, std::chrono::milliseconds(2000)); }

    const test::TempFolder home_{"qm"};
    std::string socket_;
    pid_t pid_ = -1;
};

TEST_F(FakeAgentProgram, ServesTheSampleFilesByRoute) {
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
