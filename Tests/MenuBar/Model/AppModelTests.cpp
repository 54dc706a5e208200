#include "AppModelHarness.h"

#include "Support/TempFolder.h"
#include "Updater/AppUpdater.h"
#include "Words/MenuModel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>

namespace quillmarsh {
namespace {

using test::FakeAgent;
using test::Harness;
using Reply = FakeAgent::Reply;

const std::vector<std::string> refreshReads = {"GET /status", "GET /jobs", "GET /host", "GET /account", "GET /policy"};

TEST(AppModelState, StartsEmptyAndReadsSettingsOverRegisteredDefaults) {
    Harness h;
    EXPECT_EQ(h.model->tick(), 0);
    EXPECT_FALSE(h.model->agentAvailable());
    EXPECT_EQ(h.model->status(), std::nullopt);
    EXPECT_EQ(h.model->jobs(), JobsSnapshot{});
    EXPECT_EQ(h.model->update(), UpdateState::idle());
    EXPECT_EQ(h.model->queue().label(), "org.quillmarsh.test.agent");
    EXPECT_TRUE(h.model->notifyJobFails());
    EXPECT_TRUE(h.model->notifyBreak());
    EXPECT_FALSE(h.model->notifyOffline());
    EXPECT_TRUE(h.model->notifyImage());
    EXPECT_TRUE(h.model->showInMenuBar());
    EXPECT_TRUE(h.defaults.stored().isEmpty()) << "no defaults are written";

    test::ensureApp();
    MemoryDefaults stored({{"notify.offline", true}, {"showInMenuBar", false}});
    test::RecordingUpdater updater;
    AppModel::Environment environment;
    environment.clock = h.clock;
    AppModel model(AgentClient(h.agent->socketPath()), updater, stored, environment);
    EXPECT_TRUE(model.notifyOffline());
    EXPECT_FALSE(model.showInMenuBar());
}

TEST(AppModelState, EverySettingAssignmentNotifiesAndWritesItsKey) {
    Harness h;
    int changes = 0;
    QObject::connect(h.model.get(), &AppModel::objectWillChange, [&] { ++changes; });
    h.model->setNotifyOffline(false);  // the value it already has
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(h.defaults.writes("notify.offline"), 1);
    EXPECT_EQ(h.defaults.value("notify.offline"), QVariant(false));
    h.model->setShowInMenuBar(false);
    EXPECT_FALSE(h.model->showInMenuBar());
    EXPECT_EQ(h.defaults.value("showInMenuBar"), QVariant(false));
}

TEST(AppModelState, ChangeSignalsFireBeforeTheValueIsStored) {
    Harness h;
    test::serveSamples(*h.agent);
    std::vector<bool> seenWhileAssigning;
    QObject::connect(h.model.get(), &AppModel::agentAvailableWillChange, [&](bool value) {
        EXPECT_TRUE(value);
        seenWhileAssigning.push_back(h.model->agentAvailable());
    });
    h.refreshAndWait();
    EXPECT_EQ(seenWhileAssigning, std::vector<bool>{false});
    EXPECT_TRUE(h.model->agentAvailable());
}

TEST(AppModelState, UpdaterStateIsMirroredAndStartStartsItWithTheRefreshTimer) {
    Harness h;
    ASSERT_TRUE(h.updater.onChange);
    h.updater.onChange(UpdateState::ready("1.2.0"));
    EXPECT_EQ(h.model->update(), UpdateState::ready("1.2.0"));

    test::serveSamples(*h.agent);
    h.model->start();
    EXPECT_EQ(h.updater.starts, 1);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->tick() == 1; }));
    EXPECT_EQ(h.clock->timers(5.0), 1u);
    h.clock->fire(5.0);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->tick() == 2; }));
}

TEST(AppModelRefresh, OutcomesForAbsentSilentAndAnsweringAgents) {
    Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    ASSERT_TRUE(h.model->agentAvailable());
    EXPECT_EQ(h.model->lastError(), std::nullopt);
    ASSERT_TRUE(h.model->status());
    EXPECT_EQ(h.model->status()->runningJobs, 2);
    EXPECT_EQ(h.model->jobs().running.size(), 2u);
    ASSERT_TRUE(h.model->account());
    EXPECT_EQ(h.model->account()->owner, "acme-robotics");
    ASSERT_TRUE(h.model->host());
    ASSERT_TRUE(h.model->policy());
    EXPECT_TRUE(h.model->policy()->pluggedInOnly);
    EXPECT_EQ(h.model->tick(), 1);
    auto reads = h.targets();
    reads.resize(5);
    EXPECT_EQ(reads, refreshReads);

    // Later reads failing: jobs empties, host, account and policy keep the last answers.
    h.agent->route("GET", "/jobs", Reply::error(500, "boom", "Jobs broke."));
    h.agent->route("GET", "/host", Reply::json("{}"));
    h.agent->route("GET", "/account", Reply::text(404, "no"));
    h.agent->route("GET", "/policy", Reply::json(R"({"paused":false,"plugged_in_only":true})"));
    h.refreshAndWait();
    EXPECT_TRUE(h.model->agentAvailable());
    EXPECT_EQ(h.model->lastError(), std::nullopt);
    EXPECT_TRUE(h.model->jobs().running.empty());
    EXPECT_TRUE(h.model->host());
    EXPECT_TRUE(h.model->account());
    EXPECT_TRUE(h.model->policy());

    // GET /status failing: everything agent-derived goes, with the agent's message.
    h.agent->route("GET", "/status", Reply::error(503, "busy", "The agent is starting."));
    h.refreshAndWait();
    EXPECT_FALSE(h.model->agentAvailable());
    EXPECT_EQ(h.model->lastError(), "The agent is starting.");
    EXPECT_FALSE(h.model->status());
    EXPECT_FALSE(h.model->host());
    EXPECT_FALSE(h.model->account());
    EXPECT_FALSE(h.model->policy());
    EXPECT_TRUE(h.model->canUpdateAgent()) << "kept while the agent is away";

    // No socket file: nothing sent, no error, the tick still moves.
    h.agent->stop();
    const auto sent = h.agent->requests().size();
    h.refreshAndWait();
    EXPECT_FALSE(h.model->agentAvailable());
    EXPECT_EQ(h.model->lastError(), std::nullopt);
    EXPECT_EQ(h.model->tick(), 4);
    EXPECT_EQ(h.agent->requests().size(), sent);
}

TEST(AppModelRefresh, SocketFileWithoutAnAgentIsNotRunning) {
    test::TempFolder home;
    Harness h(std::make_unique<FakeAgent>(home / "agent.sock"));
    h.agent->stop();
    static std::mutex mutex;
    static std::vector<std::string> lines;
    lines.clear();
    QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
        std::lock_guard lock(mutex);
        lines.push_back(text.toStdString());
    });
    h.refreshAndWait();  // no socket file: nothing is logged
    std::ofstream(h.agent->socketPath()) << "";
    h.refreshAndWait();
    qInstallMessageHandler(previous);
    EXPECT_EQ(lines, std::vector<std::string>{"Quillmarsh: the agent did not answer: " +
                                              AgentError::notRunning().errorDescription()});
    EXPECT_FALSE(h.model->agentAvailable());
    EXPECT_EQ(h.model->lastError(), AgentError::notRunning().errorDescription());
    EXPECT_FALSE(h.model->isRegistered());
    std::ofstream(h.agent->home() + "/agent.json") << "{}";
    EXPECT_TRUE(h.model->isRegistered()) << "read from the file system each time";
}

TEST(AppModelRefresh, ImagesResetWhenTheAgentGoesButSideDataStays) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->setWindowOpened(true);
    h.model->refreshImages(false);
    h.model->refreshCaches();
    h.refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->images() && h.model->caches(); }));
    h.agent->route("GET", "/status", Reply::text(500, "down"));
    h.refreshAndWait();
    EXPECT_FALSE(h.model->images());
    EXPECT_TRUE(h.model->caches());
}

TEST(AppModelRefresh, CachesFollowTheThirtySecondRuleOnceTheWindowWasShown) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->setWindowOpened(true);
    h.refreshAndWait();
    EXPECT_EQ(h.count("GET /caches"), 0u) << "no caches request has ever started";
    h.model->refreshCaches();
    h.clock->advance(29);
    h.refreshAndWait();
    EXPECT_EQ(h.count("GET /caches"), 1u);
    h.clock->advance(1);
    h.refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return h.count("GET /caches") == 2u; }));
}

TEST(AppModelPolicy, DerivedSettingsPickTheirSources) {
    Harness h;
    test::serveSamples(*h.agent);
    EXPECT_EQ(h.model->runsJobs(), RunsJobs::always);
    EXPECT_TRUE(h.model->useMoreWhenAway());
    EXPECT_EQ(h.model->stayAwake(), StayAwake::pluggedIn);
    EXPECT_EQ(h.model->mode(), Mode::primary);
    EXPECT_EQ(h.model->pauseInForce(), std::nullopt);
    EXPECT_EQ(h.model->dashboardRoot(), MenuModel::defaultDashboardRoot);
    EXPECT_EQ(h.model->jobURL("a/b")->toString().toStdString(), std::string(MenuModel::defaultDashboardRoot) + "/jobs");
    EXPECT_EQ(h.model->accountCaption(), "GitHub");

    // Policy plugged-in only, status waiting "in_use": the policy wins. Status stay-awake wins.
    auto status = nlohmann::json::parse(test::sampleAnswer("status.json"));
    status["waiting"] = "in_use";
    status["stayAwake"] = "always";
    status["routing"] = "backup";
    status["state"] = "paused";
    status["pausedUntil"] = nullptr;
    h.agent->route("GET", "/status", Reply::json(status.dump()));
    h.agent->route("GET", "/policy", Reply::json(R"({"paused":false,"idle_only":false,"plugged_in_only":true,"stay_awake":"never","paused_until":"2026-12-10T18:00:00Z","use_more_when_away":false})"));
    h.refreshAndWait();
    EXPECT_EQ(h.model->runsJobs(), RunsJobs::whenPluggedIn);
    EXPECT_EQ(h.model->stayAwake(), StayAwake::always);
    EXPECT_EQ(h.model->mode(), Mode::backup);
    EXPECT_FALSE(h.model->useMoreWhenAway());
    EXPECT_EQ(h.model->pauseInForce(), PauseOption::untilEvening) << "the policy's end marks the choice";
    EXPECT_EQ(h.model->machineURL()->toString().toStdString(), "https://dashboard.quillmarsh.example/fleet/studio-mac-2");

    // Unknown stay-awake code on a laptop: never; on a desktop: plugged in.
    status["stayAwake"] = "sometimes";
    status["laptop"] = true;
    h.agent->route("GET", "/status", Reply::json(status.dump()));
    h.refreshAndWait();
    EXPECT_EQ(h.model->stayAwake(), StayAwake::never);
    status["laptop"] = false;
    h.agent->route("GET", "/status", Reply::json(status.dump()));
    h.refreshAndWait();
    EXPECT_EQ(h.model->stayAwake(), StayAwake::pluggedIn);
}

TEST(AppModelPolicy, UpdateRouteIsProbedOncePerVersion) {
    Harness h;
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    h.refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->canUpdateAgent(); }));
    EXPECT_EQ(h.count("GET /update"), 1u);

    auto status = nlohmann::json::parse(test::sampleAnswer("status.json"));
    status["version"] = "9.9.9";
    h.agent->route("GET", "/status", Reply::json(status.dump()));
    h.agent->route("GET", "/update", Reply::json("{}", 200));
    h.refreshAndWait();
    h.drain();
    EXPECT_EQ(h.count("GET /update"), 2u);
    EXPECT_FALSE(h.model->canUpdateAgent()) << "only 405 means the agent updates itself";
}

TEST(AppModelPolicy, ProbeThatNeverReachedTheAgentIsTriedAgain) {
    Harness h;
    test::serveSamples(*h.agent, {"GET /policy"});
    // GET /policy, the refresh's last read, takes the socket away once, so the probe queued
    // behind that refresh cannot connect.
    const std::string socket = h.agent->socketPath();
    std::atomic<bool> moveAway{true};
    h.agent->setHandler([&](const FakeAgent::Request& request) -> std::optional<Reply> {
        if (request.method != "GET" || request.target != "/policy") return std::nullopt;
        if (moveAway.exchange(false)) std::rename(socket.c_str(), (socket + ".away").c_str());
        return Reply::json(test::sampleAnswer("policy.json"));
    });
    h.refreshAndWait();
    EXPECT_TRUE(h.model->agentAvailable());
    h.refreshAndWait();  // runs behind the failed probe: no socket
    EXPECT_FALSE(h.model->agentAvailable());
    EXPECT_FALSE(h.model->canUpdateAgent());
    EXPECT_EQ(h.count("GET /update"), 0u);

    std::rename((socket + ".away").c_str(), socket.c_str());
    h.refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->canUpdateAgent(); }));
    EXPECT_EQ(h.count("GET /update"), 1u);
}

TEST(AppModelCommands, PausePostsItsPatchThenRefreshes) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->pause(PauseOption::untilResume);
    h.model->pause(PauseOption::oneHour);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->tick() == 2; }));
    const auto requests = h.agent->requests();
    ASSERT_GE(requests.size(), 7u);
    EXPECT_EQ(requests[0].target, "/policy");
    EXPECT_EQ(nlohmann::json::parse(requests[0].body), (nlohmann::json{{"paused", true}, {"paused_until", ""}}));
    EXPECT_EQ(requests[1].method + " " + requests[1].target, "POST /policy");
    EXPECT_EQ(nlohmann::json::parse(requests[1].body),
              (nlohmann::json{{"paused_until", MenuModel::rfc3339(h.clock->now().adding(3600))}}));
    EXPECT_EQ(requests[2].method + " " + requests[2].target, "GET /status") << "each success refreshes behind it";
    EXPECT_TRUE(h.model->policy());
}

TEST(AppModelCommands, FailuresSetLastErrorAndTheNextRefreshClearsIt) {
    Harness h;
    test::serveSamples(*h.agent);
    h.agent->route("POST", "/jobs/stop", Reply::error(409, "busy", "A job is uploading.", "Try again in a minute."));
    h.agent->route("POST", "/mode", Reply::error(409, "busy", "A job is uploading.", "Try again in a minute."));
    h.model->stopRunningJobs();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->lastError().has_value(); }));
    EXPECT_EQ(h.model->lastError(), "A job is uploading. Try again in a minute.");
    h.model->setMode(Mode::off);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->lastError() == "A job is uploading."; }));
    EXPECT_EQ(h.model->tick(), 0) << "no refresh follows a failure";
    EXPECT_EQ(nlohmann::json::parse(h.agent->requests().back().body), (nlohmann::json{{"routing", "off"}}));

    h.refreshAndWait();
    EXPECT_EQ(h.model->lastError(), std::nullopt);
}

TEST(AppModelCommands, AnswerShapesDecideSuccess) {
    struct Case {
        const char* name;
        std::function<void(AppModel&)> command;
        const char* target;
        Reply reply;
        bool ok;
    };
    std::vector<Case> cases = {
        {"stop without stopped", [](AppModel& m) { m.stopRunningJobs(); }, "/jobs/stop", Reply::json("{}"), false},
        {"stop with zero", [](AppModel& m) { m.stopRunningJobs(); }, "/jobs/stop", Reply::json(R"({"stopped":0})"), true},
        {"update with []", [](AppModel& m) { m.updateAgentNow(); }, "/update", Reply::json("[]"), true},
        {"update with empty body", [](AppModel& m) { m.updateAgentNow(); }, "/update", Reply::json(""), false},
        {"clear with {}", [](AppModel& m) { m.clearCaches(std::nullopt); }, "/caches/clear", Reply::json("{}"), true},
        {"policy without idle_only", [](AppModel& m) { m.setPolicy({{"paused", false}}); }, "/policy",
         Reply::json(R"({"paused":false,"plugged_in_only":true})"), false},
    };
    for (auto& c : cases) {
        Harness h;
        test::serveSamples(*h.agent);
        h.model->setWindowOpened(true);
        h.refreshAndWait();  // brings canUpdateAgent
        h.model->refreshCaches();
        ASSERT_TRUE(test::spinUntil([&] { return h.model->canUpdateAgent() && h.model->caches(); })) << c.name;
        h.agent->route("POST", c.target, c.reply);
        h.agent->route("GET", "/status", Reply::text(500, "stopped answering"));
        h.refreshAndWait();  // lastError now holds the refresh's failure
        const auto refreshError = h.model->lastError();
        ASSERT_TRUE(refreshError);
        // The refresh after a success finds the agent answering again.
        h.agent->route("GET", "/status", Reply::json(test::sampleAnswer("status.json")));
        c.command(*h.model);
        ASSERT_TRUE(test::spinUntil([&] { return h.model->lastError() != refreshError; })) << c.name;
        if (c.ok) EXPECT_EQ(h.model->lastError(), std::nullopt) << c.name;
        else EXPECT_EQ(h.model->lastError(), AgentError::badResponse().errorDescription()) << c.name;
    }
}

TEST(AppModelCommands, ClearCachesSendsTheRepositoryAndReloadsOnlyTheCaches) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->refreshCaches();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->caches().has_value(); }));
    h.model->clearCaches("acme-robotics/ios-app");
    h.model->clearCaches(std::nullopt);
    ASSERT_TRUE(test::spinUntil([&] { return h.count("GET /caches") == 3u; }));
    const auto all = h.targets();
    EXPECT_EQ(all, (std::vector<std::string>{"GET /caches", "POST /caches/clear", "POST /caches/clear",
                                             "GET /caches", "GET /caches"}));
    const auto requests = h.agent->requests();
    EXPECT_EQ(nlohmann::json::parse(requests[1].body), (nlohmann::json{{"repository", "acme-robotics/ios-app"}}));
    EXPECT_EQ(nlohmann::json::parse(requests[2].body), nlohmann::json::object());
}

TEST(AppModelCommands, InstallUpdateOpensTheDownloadPageOnlyWhenManual) {
    Harness h;
    h.model->installUpdate();
    EXPECT_EQ(h.updater.installs, 1);
    h.updater.onChange(UpdateState::manual("2.0.0", "moved"));
    h.model->installUpdate();
    EXPECT_EQ(h.updater.installs, 1);
    EXPECT_EQ(h.opener->opened, (std::vector<std::string>{"https://downloads.example/mac/Quillmarsh-darwin-arm64.zip"}));
}

TEST(AppModelCommands, OpenPassesOnlyWebLinks) {
    Harness h;
    h.model->open(std::nullopt);
    for (const char* link : {"https://github.com/acme/app/actions/runs/1", "http://dashboard.example/jobs",
                             "file:///etc/passwd", "javascript:alert(1)", "x-app://open", "https:no-host", ""}) {
        h.model->open(QUrl(link));
    }
    EXPECT_EQ(h.opener->opened, (std::vector<std::string>{"https://github.com/acme/app/actions/runs/1",
                                                          "http://dashboard.example/jobs"}));
}

TEST(AppModelCommands, OpenAtLoginUsesTheAutostartEntryOnlyFromABundle) {
    test::TempFolder config;
    {
        Harness h;
        int changes = 0;
        QObject::connect(h.model.get(), &AppModel::objectWillChange, [&] { ++changes; });
        h.model->setOpenAtLogin(true);
        EXPECT_FALSE(h.model->openAtLogin());
        EXPECT_EQ(changes, 0) << "without a bundle nothing happens, not even a change notice";
    }
    AppModel::Environment environment;
    environment.bundleExecutable = "/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh";
    environment.autostartFolder = config / "autostart";
    Harness h(std::make_unique<FakeAgent>(), environment);
    int changes = 0;
    QObject::connect(h.model.get(), &AppModel::objectWillChange, [&] { ++changes; });
    h.model->setOpenAtLogin(true);
    EXPECT_TRUE(h.model->openAtLogin());
    EXPECT_EQ(changes, 1);
    h.model->setOpenAtLogin(false);
    EXPECT_FALSE(h.model->openAtLogin());

    AppModel::Environment blocked = environment;
    const test::TempFolder blockedFolder;  // holds what the failed write made on the way
    blocked.autostartFolder = blockedFolder.string() + "/gone/and/" + std::string(300, 'x');
    Harness b(std::make_unique<FakeAgent>(), blocked);
    b.model->setOpenAtLogin(true);
    EXPECT_TRUE(b.model->lastError().has_value());
}

} // namespace
} // namespace quillmarsh

namespace quillmarsh {
namespace {

TEST(AppModelState, TheAppsOwnUpdaterIsMirroredAndReleased) {
    test::ensureApp();
    test::FakeAgent agent;
    MemoryDefaults defaults;
    AppUpdater updater(AppBundle::ofExecutable("/nonexistent/Quillmarsh"), "https://downloads.example");
    {
        AppModel::Environment environment;
        environment.clock = std::make_shared<test::ManualClock>();
        AppModel model(AgentClient(agent.socketPath()), updater, defaults, environment);
        ASSERT_TRUE(updater.onChange);
        updater.onChange(UpdateState::checking());
        EXPECT_EQ(model.update(), UpdateState::checking());
        EXPECT_EQ(model.updater().base(), "https://downloads.example");
        EXPECT_EQ(model.updater().currentVersion(), std::nullopt);
    }
    EXPECT_FALSE(updater.onChange) << "a model that is gone is not called";
}

TEST(AppModelCommands, OpenAtLoginIsOfferedOnlyFromABundle) {
    test::Harness bare;
    EXPECT_FALSE(bare.model->canOpenAtLogin());
    AppModel::Environment environment;
    environment.bundleExecutable = "/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh";
    test::Harness installed(std::make_unique<test::FakeAgent>(), environment);
    EXPECT_TRUE(installed.model->canOpenAtLogin());
}

TEST(AppModelCommands, OpenFolderShowsOnlyExistingLocalFolders) {
    test::Harness h;
    test::TempFolder folder;
    const auto file = folder.write("notes.txt", "x");
    h.model->openFolder(folder.string() + "/missing");
    h.model->openFolder(file.string());
    h.model->openFolder("");
    h.model->openFolder("relative/logs");
    EXPECT_TRUE(h.opener->opened.empty()) << "a missing folder, a file, nothing and a relative path open nothing";
    h.model->openFolder(folder.string());
    EXPECT_EQ(h.opener->opened, (std::vector<std::string>{"file://" + folder.string()}));
}

} // namespace
} // namespace quillmarsh
