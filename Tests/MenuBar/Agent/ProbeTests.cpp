#include "Agent/AgentClient.h"
#include "Agent/Probe.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

extern char** environ;

namespace quillmarsh {
namespace {

using test::FakeAgent;
using test::sampleAnswer;

// Runs the built Quillmarsh with arguments and QUILLMARSH_HOME set to home.
test::ProcessResult runApp(const std::vector<std::string>& arguments, const std::string& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("QUILLMARSH_HOME=")) env.emplace_back(*e);
    env.push_back("QUILLMARSH_HOME=" + home);
    std::vector<std::string> argv{std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::runProcess(argv, env);
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
    test::ProcessResult run = runApp({"--probe"}, agent.home());
    EXPECT_EQ(run.status, 0);
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
    test::ProcessResult run = runApp({"--probe"}, folder.string());
    EXPECT_EQ(run.status, 0);
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
    test::ProcessResult run = runApp({"--probe", "--check-update", "--dock"}, agent.home());
    EXPECT_EQ(run.status, 0);
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
        test::ProcessResult run = runApp({look}, agent.home());
        EXPECT_EQ(run.status, 1);
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
