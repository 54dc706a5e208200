// The notification rules: which notices a sequence of model states gives, rule by rule, with
// their exact texts, and the held repositories kept in the user's settings across runs.
#include "Model/MemoryDefaults.h"
#include "Model/SettingsDefaults.h"
#include "Notifications/HeldRepositories.h"
#include "Notifications/NotificationRules.h"
#include "Support/TempFolder.h"
#include "Support/TestApplication.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using Input = NotificationRules::Input;

FinishedJob finished(std::string id, std::string conclusion, std::string repository = "acme/web",
                     std::string name = "build", std::int64_t seconds = 125) {
    FinishedJob job;
    job.jobId = std::move(id);
    job.conclusion = std::move(conclusion);
    job.repository = std::move(repository);
    job.name = std::move(name);
    job.durationSeconds = seconds;
    return job;
}

AccountMachine machine(std::string id, std::string name, std::string status) {
    AccountMachine m;
    m.id = std::move(id);
    m.name = std::move(name);
    m.status = std::move(status);
    return m;
}

ImageBuildSummary build(std::string state) {
    ImageBuildSummary b;
    b.state = std::move(state);
    return b;
}

BillingNotice billing(std::string status, std::optional<std::string> repository, std::optional<std::string> until) {
    BillingNotice n;
    n.status = std::move(status);
    n.url = "https://billing.example/fix";
    n.repository = std::move(repository);
    n.until = std::move(until);
    return n;
}

// An agent that answers with an unremarkable status and no recent jobs.
Input answering() {
    Input in;
    in.agentAvailable = true;
    in.status = AgentStatus{};
    in.jobsAnswered = true;
    in.notifyOffline = true;
    in.downloadHost = "downloads.example";
    return in;
}

// "category: title / body {key=value}" for each notice, in order.
std::vector<std::string> describe(const std::vector<Notice>& notices) {
    std::vector<std::string> out;
    for (const auto& n : notices) {
        std::string text(NoticeCategories::info(n.category).identifier);
        text.append(": ").append(n.title).append(" / ").append(n.body);
        for (const auto& [key, value] : n.userInfo) text.append(" {").append(key).append("=").append(value).append("}");
        out.push_back(text);
    }
    return out;
}

// One check after each change; each change is applied to the input of the step before.
struct Step {
    std::function<void(Input&)> change;
    std::vector<std::string> expected;
};
struct Case {
    const char* name;
    std::vector<Step> steps;
};

void run(const std::vector<Case>& cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotificationRules::State state;
        MemoryDefaults told;
        Input in = answering();
        int number = 0;
        for (const auto& step : c.steps) {
            SCOPED_TRACE("step " + std::to_string(++number));
            step.change(in);
            EXPECT_EQ(describe(NotificationRules::check(state, in, told)), step.expected);
        }
    }
}

const std::vector<std::string> none;
void same(Input&) {}

TEST(NotificationRules, AppUpdateIsToldOncePerVersionEvenWithoutTheAgent) {
    const std::string ready = "appupdate: Quillmarsh for Mac update / Version 1.4.0 is ready. Choose Update "
                              "available in the menu, or it installs when the app next quits.";
    run({
        {"ready then download-only of the same version",
         {{[](Input& in) { in.update = UpdateState::ready("1.4.0"); }, {ready}},
          {[](Input& in) { in.update = UpdateState::manual("1.4.0", "cannot write"); }, none}}},
        {"download-only names the download server",
         {{[](Input& in) { in.update = UpdateState::manual("2.0", "cannot write"); },
           {"appupdate: Quillmarsh for Mac update / Version 2.0 is available. This copy cannot replace itself; "
            "download it from downloads.example."}}}},
        {"held back while the switch is off, told once it is on",
         {{[](Input& in) { in.notifyImage = false; in.update = UpdateState::ready("1.4.0"); }, none},
          {same, none},
          {[](Input& in) { in.notifyImage = true; }, {ready}},
          {same, none}}},
        {"told while the agent does not answer",
         {{[](Input& in) {
               in.agentAvailable = false;
               in.status.reset();
               in.update = UpdateState::ready("1.4.0");
           },
           {ready}}}},
        {"other states tell nothing and forget nothing",
         {{[](Input& in) { in.update = UpdateState::ready("1.4.0"); }, {ready}},
          {[](Input& in) { in.update = UpdateState::installing("1.4.0"); }, none},
          {[](Input& in) { in.update = UpdateState::failed("1.4.0", "no"); }, none},
          {[](Input& in) { in.update = UpdateState::ready("1.4.0"); }, none},
          {[](Input& in) { in.update = UpdateState::checking(); }, none},
          {[](Input& in) { in.update = UpdateState::ready("1.5.0"); },
           {"appupdate: Quillmarsh for Mac update / Version 1.5.0 is ready. Choose Update available in the menu, "
            "or it installs when the app next quits."}}}},
    });
}

TEST(NotificationRules, FailedJobsAreToldOnceWhenTheyAppear) {
    const std::string webBuild =
        "job: web build failed / build failed after 2 min 5 s on this Mac. {repository=acme/web}";
    const std::vector<FinishedJob> launch{finished("1", "failure"), finished("2", "host_stopped"),
                                          finished("3", "timed_out")};
    run({
        {"failures at launch are only recorded; a new one is told",
         {{[&](Input& in) { in.recent = launch; }, none},
          {[&](Input& in) {
               in.recent = launch;
               in.recent.insert(in.recent.begin(), finished("4", "failure"));
           },
           {webBuild}},
          {same, none}}},
        {"success and cancelled are not failures; host_stopped and an empty conclusion are",
         {{same, none},
          {[](Input& in) { in.recent = {finished("5", "success"), finished("6", "cancelled")}; }, none},
          {[](Input& in) { in.recent.push_back(finished("7", "host_stopped", "acme/docs", "deploy", 0)); },
           {"job: docs deploy failed / deploy failed after 0 s on this Mac. {repository=acme/docs}"}},
          {[](Input& in) { in.recent.push_back(finished("8", "")); }, {webBuild}}}},
        {"two new failures in one answer, in list order",
         {{same, none},
          {[](Input& in) {
               in.recent = {finished("9", "failure", "acme/api", "lint", 61), finished("10", "failure")};
           },
           {"job: api lint failed / lint failed after 1 min 1 s on this Mac. {repository=acme/api}", webBuild}}}},
        {"a failure while the switch is off is not kept for later",
         {{same, none},
          {[](Input& in) { in.notifyJobFails = false; in.recent = {finished("11", "failure")}; }, none},
          {[](Input& in) { in.notifyJobFails = true; }, none}}},
        {"a refresh whose jobs answer failed forgets no job",
         {{[](Input& in) { in.recent = {finished("12", "failure")}; }, none},
          {[](Input& in) { in.jobsAnswered = false; in.recent.clear(); }, none},
          {[](Input& in) {
               in.jobsAnswered = true;
               in.recent = {finished("13", "failure"), finished("12", "failure")};
           },
           {webBuild}}}},
        {"a job that failed while the agent was away is told when it answers",
         {{same, none},
          {[](Input& in) { in.agentAvailable = false; in.status.reset(); in.recent.clear(); }, none},
          {[](Input& in) {
               in.agentAvailable = true;
               in.status = AgentStatus{};
               in.recent = {finished("14", "failure")};
           },
           {webBuild}}}},
        {"the first answer without jobs records nothing; the next one is the first",
         {{[](Input& in) { in.jobsAnswered = false; }, none},
          {[](Input& in) { in.jobsAnswered = true; in.recent = {finished("15", "failure")}; }, none}}},
    });
}

TEST(NotificationRules, ABreakIsToldWhenItStarts) {
    const auto waiting = [](std::optional<std::string> code) {
        return [code](Input& in) { in.status->waiting = code; };
    };
    const std::string tail = " New jobs go to your other machines until it has room.";
    run({
        {"already on a break at the first check, then a new one",
         {{waiting("thermal"), {"break: Taking a break / This Mac is running hot." + tail}},
          {same, none},
          {waiting(std::nullopt), none},
          {waiting("low_power"), {"break: Taking a break / Low Power Mode is on." + tail}},
          {waiting("memory"), none}}},
        {"memory and its sentence",
         {{waiting("memory"), {"break: Taking a break / Memory is tight on this Mac." + tail}}}},
        {"other waiting reasons are no break",
         {{waiting("on_battery"), none}, {waiting("paused"), none}}},
        {"a break that starts while the switch is off is not told later",
         {{[](Input& in) { in.notifyBreak = false; in.status->waiting = "thermal"; }, none},
          {[](Input& in) { in.notifyBreak = true; }, none}}},
        {"a break that began and ended while the agent was away is not told",
         {{same, none},
          {[](Input& in) { in.agentAvailable = false; in.status->waiting = "thermal"; }, none},
          {[](Input& in) { in.agentAvailable = true; in.status->waiting.reset(); }, none}}},
    });
}

TEST(NotificationRules, TheImageIsToldWhenItBecomesReady) {
    const auto state = [](std::optional<std::string> s) {
        return [s](Input& in) {
            if (s) in.status->imageBuild = build(*s);
            else in.status->imageBuild.reset();
        };
    };
    const std::string plain = "image: macOS image ready / macOS jobs on this Mac use it now.";
    run({
        {"running then ready, with an Xcode",
         {{[](Input& in) { in.firstXcode = "16.2"; in.status->imageBuild = build("running"); }, none},
          {state("ready"), {"image: macOS image ready / Xcode 16.2 is in. macOS jobs on this Mac use it now."}},
          {same, none}}},
        {"without an Xcode", {{state("waiting"), none}, {state("ready"), {plain}}}},
        {"ready at the first check", {{state("ready"), none}}},
        {"a gap between two readies is no change", {{state("ready"), none}, {state(std::nullopt), none}, {state("ready"), none}}},
        {"a gap keeps the state before it", {{state("running"), none}, {state(std::nullopt), none}, {state("ready"), {plain}}}},
        {"switch off", {{state("running"), none}, {[](Input& in) { in.notifyImage = false; in.status->imageBuild = build("ready"); }, none},
                        {[](Input& in) { in.notifyImage = true; }, none}}},
    });
}

TEST(NotificationRules, AnAgentUpdateIsToldOncePerRun) {
    const auto versions = [](std::optional<std::string> version, std::optional<std::string> minimum) {
        return [version, minimum](Input& in) {
            in.status->version = version;
            in.status->minAgentVersion = minimum;
        };
    };
    const std::string told =
        "image: Quillmarsh agent update / Version 0.1.36 is ready. The agent updates itself between jobs.";
    run({
        {"available at the first check, gone, back",
         {{versions("0.1.30", "0.1.36"), {told}},
          {same, none},
          {versions("0.1.36", "0.1.36"), none},
          {versions("0.1.36", "0.1.40"), none}}},
        {"waits for the switch",
         {{[](Input& in) {
               in.notifyImage = false;
               in.status->version = "0.1.30";
               in.status->minAgentVersion = "0.1.36";
           },
           none},
          {[](Input& in) { in.notifyImage = true; }, {told}}}},
    });
}

TEST(NotificationRules, BillingNoticesAreToldWhenTheyAppearOrChange) {
    const BillingNotice payment = billing("payment_failed", std::nullopt, "2026-12-24T00:00:00Z");
    const std::string paymentText = "billing: " + payment.message().title + " / " + payment.message().body +
                                    " {url=https://billing.example/fix}";
    BillingNotice later = payment;
    later.until = "2027-01-07T00:00:00Z";
    const std::string laterText = "billing: " + later.message().title + " / " + later.message().body +
                                  " {url=https://billing.example/fix}";
    const auto notice = [](std::optional<BillingNotice> n) { return [n](Input& in) { in.status->billingNotice = n; }; };
    run({
        {"same key once, again after it was gone, again when the key changes",
         {{notice(payment), {paymentText}},
          {same, none},
          {notice(std::nullopt), none},
          {notice(payment), {paymentText}},
          {notice(later), {laterText}}}},
        {"no switch gates it",
         {{[&](Input& in) {
               in.notifyImage = in.notifyJobFails = in.notifyBreak = in.notifyOffline = false;
               in.status->billingNotice = payment;
           },
           {paymentText}}}},
        {"a held repository, in the plan category",
         {{notice(billing("needs_plan", "acme/secret", std::nullopt)),
           {"plan: secret needs Pro / Its jobs ran on GitHub-hosted. Free runs one private repository; the rest "
            "need Pro. {url=https://billing.example/fix}"}},
          {notice(std::nullopt), none},
          {notice(billing("needs_plan", "acme/secret", std::nullopt)), none}}},
    });
}

// The told held repositories outlive the run: a later run over the same settings tells nothing.
TEST(NotificationRules, AHeldRepositoryIsToldOnceAcrossRuns) {
    test::ensureApp();
    test::TempFolder folder;
    const auto check = [](Defaults& told, const std::string& repository) {
        Input in = answering();
        in.status->billingNotice = billing("needs_plan", repository, std::nullopt);
        NotificationRules::State state;  // a new run
        return NotificationRules::check(state, in, told).size();
    };
    {
        SettingsDefaults told(QString::fromStdString(folder.string() + "/this-run.ini"));
        EXPECT_EQ(check(told, "acme/secret"), 1u);
        EXPECT_EQ(check(told, "acme/secret"), 0u);
        EXPECT_EQ(check(told, "acme/other"), 1u);
        EXPECT_EQ(HeldRepositories::load(told),
                  (std::set<std::string>{"needs_plan:acme/other", "needs_plan:acme/secret"}));
    }
    // Files as an earlier process leaves them: a settings file keeps a one-entry list as a plain
    // value, which a fresh process reads back as a text.
    const struct {
        const char* line;
        std::vector<std::string> told;
    } files[] = {
        {"toldHeldRepositories=needs_plan:acme/secret", {"acme/secret"}},
        {"toldHeldRepositories=needs_plan:acme/secret, needs_plan:acme/other", {"acme/secret", "acme/other"}},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.line);
        const auto path = folder.write(std::string("earlier-") + std::to_string(file.told.size()) + ".ini",
                                       std::string("[General]\n") + file.line + "\n");
        SettingsDefaults told(QString::fromStdString(path.string()));
        for (const auto& repository : file.told) EXPECT_EQ(check(told, repository), 0u) << repository;
        EXPECT_EQ(check(told, "acme/new"), 1u);
    }
}

TEST(NotificationRules, AStoredValueOfTheWrongTypeCountsAsEmpty) {
    test::ensureApp();
    const struct {
        const char* name;
        QVariant stored;
        std::set<std::string> expected;
    } cases[] = {
        {"missing", QVariant(), {}},
        {"a number", QVariant(5), {}},
        {"a list with a number", QVariant(QVariantList{QString("needs_plan:a/b"), 7}), {}},
        {"a list of texts", QVariant(QVariantList{QString("needs_plan:a/b")}), {"needs_plan:a/b"}},
        {"a string list", QVariant(QStringList{"x", "y"}), {"x", "y"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDefaults defaults;
        if (c.stored.isValid()) defaults.setValue(HeldRepositories::key, c.stored);
        EXPECT_EQ(HeldRepositories::load(defaults), c.expected);
    }

    MemoryDefaults told(QVariantMap{{HeldRepositories::key, 5}});
    Input in = answering();
    in.status->billingNotice = billing("needs_plan", "acme/secret", std::nullopt);
    NotificationRules::State state;
    EXPECT_EQ(NotificationRules::check(state, in, told).size(), 1u);
    EXPECT_EQ(told.value(HeldRepositories::key).toStringList(), QStringList{"needs_plan:acme/secret"});
}

TEST(NotificationRules, AnotherMachineGoingOfflineIsTold) {
    const auto machines = [](std::vector<AccountMachine> list) { return [list](Input& in) { in.status->machines = list; }; };
    const std::string euOffline = "image: eu went offline / New jobs route to the healthy side.";
    run({
        {"online to offline, told once",
         {{machines({machine("m1", "eu", "online"), machine("m2", "us", "offline")}), none},
          {machines({machine("m1", "eu", "offline"), machine("m2", "us", "offline")}), {euOffline}},
          {same, none},
          {machines({machine("m1", "eu", "online")}), none},
          {machines({machine("m1", "eu", "offline")}), {euOffline}}}},
        {"a machine that left the list is forgotten",
         {{machines({machine("m1", "eu", "online")}), none},
          {machines({}), none},
          {machines({machine("m1", "eu", "offline")}), none}}},
        {"this Mac is matched by its name in the account",
         {{[](Input& in) { in.machineName = "eu"; in.status->machines = {machine("m1", "eu", "online")}; }, none},
          {machines({machine("m1", "eu", "offline")}), none}}},
        {"without an account no machine is this Mac",
         {{machines({machine("m1", "eu", "online")}), none}, {machines({machine("m1", "eu", "offline")}), {euOffline}}}},
        {"switch off",
         {{[](Input& in) { in.notifyOffline = false; in.status->machines = {machine("m1", "eu", "online")}; }, none},
          {machines({machine("m1", "eu", "offline")}), none},
          {[](Input& in) { in.notifyOffline = true; }, none}}},
    });
}

// Everything at once comes in the order of the rules.
TEST(NotificationRules, OneCheckPostsInRuleOrder) {
    NotificationRules::State state;
    MemoryDefaults told;
    Input in = answering();
    in.status->imageBuild = build("running");
    in.status->machines = {machine("m1", "eu", "online")};
    ASSERT_TRUE(NotificationRules::check(state, in, told).empty());

    in.update = UpdateState::ready("1.4.0");
    in.recent = {finished("1", "failure")};
    in.status->waiting = "memory";
    in.status->imageBuild = build("ready");
    in.status->version = "0.1.30";
    in.status->minAgentVersion = "0.1.36";
    in.status->billingNotice = billing("payment_failed", std::nullopt, "2026-12-24T00:00:00Z");
    in.status->machines = {machine("m1", "eu", "offline")};
    std::vector<NoticeCategory> order;
    for (const auto& n : NotificationRules::check(state, in, told)) order.push_back(n.category);
    EXPECT_EQ(order, (std::vector<NoticeCategory>{NoticeCategory::appUpdate, NoticeCategory::job,
                                                  NoticeCategory::takingBreak, NoticeCategory::image,
                                                  NoticeCategory::image, NoticeCategory::billing,
                                                  NoticeCategory::image}));
}

} // namespace
} // namespace quillmarsh
