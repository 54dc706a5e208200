#include "Settings/PaneCommandRunner.h"

#include "MenuBar/Model/AppModelHarness.h"
#include "Support/TempFolder.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <filesystem>

namespace quillmarsh {
namespace {

using test::Harness;

// A harness whose model has read the sample agent, its caches and its update route, so every
// agent command may run.
void prepare(Harness& h) {
    test::serveSamples(*h.agent);
    h.refreshAndWait();
    h.model->refreshCaches();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->canUpdateAgent() && h.model->caches(); }));
    h.drain();
}

TEST(PaneCommandRunner, AgentCommandsPostExactlyTheirBody) {
    struct Case {
        const char* name;
        PaneCommand command;
        std::string target;
        nlohmann::json body;
    };
    const Case cases[] = {
        {"mode", PaneCommand::SetMode{Mode::backup}, "POST /mode", {{"routing", "backup"}}},
        {"policy", PaneCommand::SetPolicy{{{"plugged_in_only", false}}}, "POST /policy", {{"plugged_in_only", false}}},
        {"policy of two keys", PaneCommand::SetPolicy{{{"stay_awake", "always"}, {"idle_only", true}}}, "POST /policy",
         {{"stay_awake", "always"}, {"idle_only", true}}},
        {"clear all caches", PaneCommand::ClearCaches{std::nullopt}, "POST /caches/clear", nlohmann::json::object()},
        {"clear one cache", PaneCommand::ClearCaches{"acme-robotics/ios-app"}, "POST /caches/clear",
         {{"repository", "acme-robotics/ios-app"}}},
        {"stop a job", PaneCommand::StopJob{"31880421907"}, "POST /jobs/stop", {{"job_id", "31880421907"}}},
        {"update the agent", PaneCommand::UpdateAgent{}, "POST /update", nlohmann::json::object()},
    };
    for (const auto& c : cases) {
        Harness h;
        prepare(h);
        const auto before = h.agent->requests().size();
        PaneCommandRunner(*h.model).run(c.command);
        ASSERT_TRUE(test::spinUntil([&] { return h.agent->requests().size() > before; })) << c.name;
        h.drain();
        const auto request = h.agent->requests()[before];
        EXPECT_EQ(request.method + " " + request.target, c.target) << c.name;
        EXPECT_EQ(nlohmann::json::parse(request.body), c.body) << c.name;
        EXPECT_EQ(h.model->lastError(), std::nullopt) << c.name;
    }
}

// A confirmation may stay up while jobs come and go: the stop is checked again when it runs.
// An agent older than 0.1.36 stops every running job, so it may stop one only while it runs alone.
TEST(PaneCommandRunner, StopJobIsSentOnlyWhileTheModelStillAllowsIt) {
    struct Case {
        const char* name;
        const char* version;
        std::size_t running;  // of the sample's two running jobs
        const char* job;
        bool sent;
    };
    const Case cases[] = {
        {"a current agent", "0.1.42", 2, "31880421907", true},
        {"a job that has ended", "0.1.42", 2, "31879988310", false},
        {"an unknown job", "0.1.42", 2, "1", false},
        {"an old agent with another job running", "0.1.30", 2, "31880421907", false},
        {"an old agent with the job alone", "0.1.30", 1, "31880421907", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Harness h;
        test::serveSamples(*h.agent, {"GET /status", "GET /jobs", "GET /jobs?limit=50"});
        auto status = nlohmann::json::parse(test::sampleAnswer("status.json"));
        status["version"] = c.version;
        auto jobs = nlohmann::json::parse(test::sampleAnswer("jobs.json"));
        jobs["running"].erase(jobs["running"].begin() + static_cast<std::ptrdiff_t>(c.running), jobs["running"].end());
        h.agent->route("GET", "/status", test::FakeAgent::Reply::json(status.dump()));
        h.agent->route("GET", "/jobs", test::FakeAgent::Reply::json(jobs.dump()));
        h.refreshAndWait();

        PaneCommandRunner(*h.model).run(PaneCommand::StopJob{c.job});
        h.drain();
        EXPECT_EQ(h.count("POST /jobs/stop"), c.sent ? 1u : 0u);
    }
}

TEST(PaneCommandRunner, SettingsAreWrittenUnderTheirKeys) {
    using Setting = PaneCommand::Setting;
    struct Case {
        Setting setting;
        const char* key;
        bool (AppModel::*read)() const;
    };
    const Case cases[] = {
        {Setting::showInMenuBar, "showInMenuBar", &AppModel::showInMenuBar},
        {Setting::notifyJobFails, "notify.jobFails", &AppModel::notifyJobFails},
        {Setting::notifyBreak, "notify.break", &AppModel::notifyBreak},
        {Setting::notifyOffline, "notify.offline", &AppModel::notifyOffline},
        {Setting::notifyImage, "notify.image", &AppModel::notifyImage},
    };
    for (const auto& c : cases) {
        for (bool value : {false, true}) {
            Harness h;
            PaneCommandRunner(*h.model).run(PaneCommand::SetSetting{c.setting, value});
            EXPECT_EQ(h.defaults.writes(c.key), 1) << c.key;
            EXPECT_EQ(h.defaults.value(c.key), QVariant(value)) << c.key;
            EXPECT_EQ(((*h.model).*c.read)(), value) << c.key;
            EXPECT_EQ(h.defaults.stored().size(), 1) << c.key << ": no other key is written";
        }
    }
}

TEST(PaneCommandRunner, OpenAtLoginWritesAndRemovesTheAutostartEntry) {
    test::TempFolder config;
    AppModel::Environment environment;
    environment.bundleExecutable = "/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh";
    environment.autostartFolder = config / "autostart";
    Harness h(std::make_unique<test::FakeAgent>(), environment);
    const auto entry = config / "autostart" / "org.quillmarsh.test.desktop";
    const PaneCommandRunner runner(*h.model);
    runner.run(PaneCommand::SetOpenAtLogin{true});
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(h.model->openAtLogin());
    runner.run(PaneCommand::SetOpenAtLogin{false});
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(h.model->openAtLogin());
}

TEST(PaneCommandRunner, LinksAndFoldersGoThroughTheModelsOpener) {
    Harness h;
    test::TempFolder logs;
    const PaneCommandRunner runner(*h.model);
    runner.run(PaneCommands{
        PaneCommand::OpenLink{std::nullopt},
        PaneCommand::OpenLink{""},
        PaneCommand::OpenLink{"https://exa mple.com/%zz"},  // not a valid link
        PaneCommand::OpenLink{"file:///etc/passwd"},       // the model opens web links only
        PaneCommand::OpenFolder{logs.string() + "/missing"},
        PaneCommand::OpenFolder{""},
    });
    EXPECT_TRUE(h.opener->opened.empty());
    runner.run(PaneCommands{PaneCommand::OpenLink{"https://dashboard.example/fleet/studio-mac-2"},
                            PaneCommand::OpenFolder{logs.string()}});
    EXPECT_EQ(h.opener->opened,
              (std::vector<std::string>{"https://dashboard.example/fleet/studio-mac-2", "file://" + logs.string()}));
}

TEST(PaneCommandRunner, UpdateCommandsReachTheUpdater) {
    Harness h;
    const PaneCommandRunner runner(*h.model);
    runner.run(PaneCommand::CheckForUpdates{});
    EXPECT_EQ(h.updater.checks, 1);
    EXPECT_EQ(h.updater.installs, 0);
    runner.run(PaneCommand::InstallUpdate{});
    EXPECT_EQ(h.updater.installs, 1);
    EXPECT_EQ(h.updater.checks, 1);
    EXPECT_TRUE(h.agent->requests().empty());
}

TEST(PaneCommandRunner, CopyAndViewCommandsGoToTheEnvironmentInOrder) {
    Harness h;
    std::vector<std::string> log;
    PaneCommandRunner::Environment environment;
    environment.copy = [&](const std::string& text) { log.push_back("copy " + text); };
    environment.view = [&](const PaneCommand& command) {
        if (const auto* set = command.as<PaneCommand::SetView>()) log.push_back("set " + set->key + "=" + set->value);
        if (const auto* flash = command.as<PaneCommand::FlashView>()) {
            log.push_back("flash " + flash->key + "=" + flash->value + " " + std::to_string(flash->milliseconds));
        }
    };
    PaneCommandRunner(*h.model, environment)
        .run(PaneCommands{PaneCommand::CopyText{"quillmarsh doctor"}, PaneCommand::FlashView{"copied", "true", "", 2000},
                          PaneCommand::SetView{"confirmingClear", ""}, PaneCommand::InstallUpdate{}});
    EXPECT_EQ(log, (std::vector<std::string>{"copy quillmarsh doctor", "flash copied=true 2000", "set confirmingClear="}));
    EXPECT_EQ(h.updater.installs, 1);
}

TEST(PaneCommandRunner, WithoutAnEnvironmentCopyUsesTheClipboardAndViewCommandsAreDropped) {
    Harness h;
    const PaneCommandRunner runner(*h.model);
    runner.run(PaneCommands{PaneCommand::CopyText{"quillmarsh doctor"}, PaneCommand::SetView{"copied", "true"},
                            PaneCommand::FlashView{"copied", "true", "", 2000}});
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "quillmarsh doctor");
    EXPECT_TRUE(h.agent->requests().empty());
    EXPECT_TRUE(h.opener->opened.empty());
}

} // namespace
} // namespace quillmarsh
