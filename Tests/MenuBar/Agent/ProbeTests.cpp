#include "Agent/AgentClient.h"
#include "Agent/Probe.h"
#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillmarsh {
namespace {

using test::FakeAgent;
using test::sampleAnswer;

// The probe prints five short lines.
constexpr std::size_t maxOutputBytes = 1 << 20;

struct AppRun {
    int exitStatus = -1;
    std::string out;
};

// Runs the built Quillmarsh with arguments and QUILLMARSH_HOME set to home; collects stdout.
AppRun runApp(const std::vector<std::string>& arguments, const std::string& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("QUILLMARSH_HOME=")) env.emplace_back(*e);
    env.push_back("QUILLMARSH_HOME=" + home);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    std::string program = std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh";
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    EXPECT_EQ(::pipe(pipeFds), 0);
    const UniqueFd readEnd(pipeFds[0]);
    UniqueFd writeEnd(pipeFds[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, readEnd.get());
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    // Our copy of the write end goes now, so the read below ends when the app's does.
    writeEnd.reset();
    AppRun run;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return run;
    }
    run.out = FileIO::readAll(readEnd.get(), maxOutputBytes).value_or("");
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The sample agent: the four probe routes served from the fixture files.
void serveSample(FakeAgent& agent) {
    for (const char* route : {"status", "jobs", "host", "account"})
        agent.route("GET", std::string("/") + route, FakeAgent::Reply::json(sampleAnswer(std::string(route) + ".json")));
}

const char* kMinimalStatus = R"({"state":"needs_update","runningJobs":0,"capacity":2,"savedThisMonthCents":0,
    "failoverActive":false})";

TEST(ProbeProcess, SampleAgentGivesFiveLines) {
    FakeAgent agent;
    serveSample(agent);
    AppRun run = runApp({"--probe"}, agent.home());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "socket: " + agent.socketPath() + " available: true\n"
                       "status: online running: 2 waiting:  routing: primary\n"
                       "jobs: 2 running, 5 recent\n"
                       "host: Apple M2 Pro 12 cores 18.4 of 32 GB comfortable\n"
                       "account: acme-robotics studio-mac-2 https://dashboard.quillmarsh.example\n");
    auto requests = agent.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].target, "/status");
    EXPECT_EQ(requests[3].target, "/account");
}

TEST(ProbeProcess, MissingSocketGivesTheNotRunningLine) {
    const test::TempFolder folder("qm");
    AppRun run = runApp({"--probe"}, folder.string());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "socket: " + folder.string() + "/agent.sock available: false\n"
                       "error: The Quillmarsh agent is not running on this Mac.\n");
}

TEST(ProbeProcess, FirstFailureEndsTheSequence) {
    FakeAgent agent;
    serveSample(agent);
    agent.route("GET", "/account", FakeAgent::Reply::text(404, "404 page not found\n"));
    agent.route("GET", "/status", FakeAgent::Reply::json(kMinimalStatus));
    agent.route("GET", "/host", FakeAgent::Reply::json([] {
        std::string host = sampleAnswer("host.json");
        host.replace(host.find("\"comfortable\": true"), 19, "\"comfortable\": false");
        host.replace(host.find("\"memoryUsedMiB\": 18841"), 22, "\"memoryUsedMiB\": -1");
        return host;
    }()));
    AppRun run = runApp({"--probe", "--check-update", "--dock"}, agent.home());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.out, "socket: " + agent.socketPath() + " available: true\n"
                       "status: needsUpdate running: 0 waiting:  routing: \n"
                       "jobs: 2 running, 5 recent\n"
                       "host: Apple M2 Pro 12 cores 32 GB \n"
                       "error: This needs a newer Quillmarsh agent.\n");
    EXPECT_EQ(agent.requests().size(), 4u);

    // A bad status stops before any other request.
    FakeAgent broken;
    broken.route("GET", "/status", FakeAgent::Reply::json(R"({"state":"Online"})"));
    run = runApp({"--probe"}, broken.home());
    EXPECT_EQ(run.out, "socket: " + broken.socketPath() + " available: true\n"
                       "error: The Quillmarsh agent gave an answer this app does not understand.\n");
    EXPECT_EQ(broken.requests().size(), 1u);
}

TEST(ProbeProcess, OnlyTheExactOptionStartsTheProbe) {
    FakeAgent agent;
    serveSample(agent);
    for (const char* look : {"--Probe", "--probe=1", "probe"}) {
        SCOPED_TRACE(look);
        AppRun run = runApp({look}, agent.home());
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_EQ(run.out.find("socket:"), std::string::npos);
    }
    EXPECT_EQ(agent.connections(), 0u);
}

TEST(ProbeRun, AgentThatNeverAnswersGivesTheBadResponseLine) {
    FakeAgent agent;
    serveSample(agent);
    agent.route("GET", "/jobs", FakeAgent::Reply::silent());
    AgentClient client(agent.socketPath(), std::chrono::milliseconds(200));
    std::ostringstream out;
    EXPECT_EQ(Probe::run(client, out), 0);
    EXPECT_EQ(out.str(), "socket: " + agent.socketPath() + " available: true\n"
                         "status: online running: 2 waiting:  routing: primary\n"
                         "error: The Quillmarsh agent gave an answer this app does not understand.\n");
}

TEST(ProbeRun, WaitingAndReasonItems) {
    AgentStatus status = AgentStatus::decode(nlohmann::json::parse(
        R"({"state":"paused","runningJobs":1,"capacity":2,"savedThisMonthCents":0,"failoverActive":false,
            "waiting":"thermal","routing":"backup"})"));
    EXPECT_EQ(Probe::statusLine(status), "status: paused running: 1 waiting: thermal routing: backup\n");
    HostInfo host = HostInfo::parse(sampleAnswer("host.json"));
    host.chip.reset();
    host.comfortable = false;
    host.reason = "memory pressure";
    EXPECT_EQ(Probe::hostLine(host), "host:  12 cores 18.4 of 32 GB memory pressure\n");
}

} // namespace
} // namespace quillmarsh
