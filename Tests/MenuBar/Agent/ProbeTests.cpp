#include "Agent/AgentClient.h"
#include "Agent/Probe.h"
#include "Support/ChildProcess.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"
#include "Support/HostProgram.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace quillmarsh {
namespace {

using test::FakeAgent;
using test::sampleAnswer;

// Runs the built Quillmarsh with arguments and QUILLMARSH_HOME set to home.
test::ProcessResult runApp(const std::vector<std::string>& arguments, const std::string& home) {
    const std::vector<std::string> env = test::environmentWith({{"QUILLMARSH_HOME", home}});
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

TEST(ProbeProcess, EndlessAgentGivesTheBadResponseLineInBoundedMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit a limited address space";
#endif
    // The probe's address space: far less than an answer read without end would take.
    const auto limited = test::underLimit("--as=" + std::to_string(std::size_t{1536} << 20));
    if (!limited) GTEST_SKIP() << "prlimit is not installed";
    FakeAgent agent;
    agent.route("GET", "/status", FakeAgent::Reply::endless());
    std::vector<std::string> argv = *limited;
    argv.push_back(std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh");
    argv.push_back("--probe");
    test::ProcessResult run = test::runProcess(argv, test::environmentWith({{"QUILLMARSH_HOME", agent.home()},
                                                                            {"QT_QPA_PLATFORM", "offscreen"}}));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "socket: " + agent.socketPath() + " available: true\n"
                       "error: The Quillmarsh agent gave an answer this app does not understand.\n");
}

TEST(ProbeProcess, OnlyTheExactOptionStartsTheProbe) {
    FakeAgent agent;
    serveSample(agent);
    // Anything that only resembles the probe, and --verify-app without both of its values, starts
    // the app itself: it reaches the agent as the app does and ends cleanly on SIGTERM.
    for (const std::vector<std::string>& look :
         {std::vector<std::string>{"--Probe"}, {"--probe=1"}, {"probe"}, {"--verify-app", "/nowhere.app"}}) {
        SCOPED_TRACE(look.front());
        const std::size_t before = agent.connections();
        const std::vector<std::string> env =
            test::environmentWith({{"QUILLMARSH_HOME", agent.home()}, {"XDG_CONFIG_HOME", agent.home()},
                                   {"XDG_CACHE_HOME", agent.home()}, {"XDG_RUNTIME_DIR", agent.home()},
                                   {"QT_QPA_PLATFORM", "offscreen"}});
        std::vector<std::string> argv{std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh"};
        argv.insert(argv.end(), look.begin(), look.end());
        test::ChildProcess app(argv, env);
        for (int i = 0; i < 3000 && agent.connections() == before; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_GT(agent.connections(), before);
        app.signal(SIGTERM);
        EXPECT_EQ(app.wait(std::chrono::seconds(30)), 0);
        EXPECT_EQ(app.output().find("socket:"), std::string::npos);
    }
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

TEST(ProbeRun, AgentTextCannotForgeLinesOrReachTheTerminal) {
    FakeAgent agent;
    serveSample(agent);
    agent.route("GET", "/account", FakeAgent::Reply::json(R"({"owner":"acme\nerror: forged","machineId":"m",
        "machineName":"\u001b[2J","apiUrl":"https://api.example","dashboardUrl":"https://d.example\u0085"})"));
    AgentClient client(agent.socketPath(), std::chrono::seconds(5));
    std::ostringstream out;
    EXPECT_EQ(Probe::run(client, out), 0);
    const std::string account = "account: acme\\u000aerror: forged \\u001b[2J https://d.example\\u0085\n";
    EXPECT_EQ(out.str(), "socket: " + agent.socketPath() + " available: true\n"
                         "status: online running: 2 waiting:  routing: primary\n"
                         "jobs: 2 running, 5 recent\n"
                         "host: Apple M2 Pro 12 cores 18.4 of 32 GB comfortable\n" + account);
    EXPECT_EQ(out.str().find("\nerror:"), std::string::npos);

    // The agent's own message in the error line, and a path from the environment.
    FakeAgent failing;
    failing.route("GET", "/status", FakeAgent::Reply::json(R"({"error":{"code":"disk","message":"Disk full.\nerror: forged\u0007"}})", 500));
    out.str("");
    Probe::run(AgentClient(failing.socketPath(), std::chrono::seconds(5)), out);
    EXPECT_EQ(out.str(), "socket: " + failing.socketPath() + " available: true\n"
                         "error: Disk full.\\u000aerror: forged\\u0007\n");
    EXPECT_EQ(Probe::socketLine("/run/a\rb\x1b]0;x\x07.sock", false),
              "socket: /run/a\\u000db\\u001b]0;x\\u0007.sock available: false\n");
}

} // namespace
} // namespace quillmarsh
