// The notifier against the model and a fake agent: it follows the model's changes, posts what
// the rules decide, stays inert without a bundle identifier, and carries out clicks.
#include "MenuBar/Model/AppModelHarness.h"
#include "Notifications/NoticeRoute.h"
#include "Notifications/Notifier.h"
#include "Platform/FreedesktopNotifications.h"
#include "Support/NotificationServer.h"
#include "Support/PrivateBus.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using test::Harness;

// Records what is posted into a log that outlives it, and lets a test click.
class RecordingCenter final : public NotificationCenter {
public:
    explicit RecordingCenter(std::shared_ptr<std::vector<Notice>> log) : log_(std::move(log)) {}
    void post(const Notice& notice) override { log_->push_back(notice); }
    void setOnResponse(OnResponse onResponse) override { onResponse_ = std::move(onResponse); }
    void click(const Response& response) const {
        if (onResponse_) onResponse_(response);
    }
    bool listening() const { return static_cast<bool>(onResponse_); }

private:
    std::shared_ptr<std::vector<Notice>> log_;
    OnResponse onResponse_;
};

struct NotifierFixture {
    explicit NotifierFixture(std::string bundleIdentifier = "org.quillmarsh.test") {
        test::serveSamples(*harness.agent);
        auto owned = std::make_unique<RecordingCenter>(posted);
        center = owned.get();
        notifier = std::make_unique<Notifier>(*harness.model,
                                              Notifier::Environment{std::move(owned), std::move(bundleIdentifier), nullptr});
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& n : *posted) out.push_back(n.title);
        return out;
    }
    void serveJobs(const nlohmann::json& jobs) {
        harness.agent->route("GET", "/jobs", test::FakeAgent::Reply::json(jobs.dump()));
    }

    Harness harness;
    std::shared_ptr<std::vector<Notice>> posted = std::make_shared<std::vector<Notice>>();
    RecordingCenter* center = nullptr;
    std::unique_ptr<Notifier> notifier;
};

nlohmann::json sampleJobs() {
    return nlohmann::json::parse(test::sampleAnswer("jobs.json"));
}

nlohmann::json withNewFailure(nlohmann::json jobs) {
    auto job = jobs["recent"][1];  // a failure of acme-robotics/ios-app
    job["job_id"] = "41000000001";
    job["name"] = "ui-tests";
    job["duration_seconds"] = 125;
    jobs["recent"].insert(jobs["recent"].begin(), job);
    return jobs;
}

TEST(Notifier, ANewFailedJobIsPostedAndItsClickOpensTheRepositorysJobs) {
    NotifierFixture f;
    ASSERT_TRUE(f.notifier->isActive());
    f.harness.refreshAndWait();
    EXPECT_TRUE(f.posted->empty()) << "failures already there at launch are only recorded";

    f.serveJobs(withNewFailure(sampleJobs()));
    f.harness.refreshAndWait();
    ASSERT_EQ(f.posted->size(), 1u);
    const Notice& notice = f.posted->front();
    EXPECT_EQ(notice.category, NoticeCategory::job);
    EXPECT_EQ(notice.title, "ios-app ui-tests failed");
    EXPECT_EQ(notice.body, "ui-tests failed after 2 min 5 s on this Mac.");
    EXPECT_EQ(notice.userInfo, (std::map<std::string, std::string>{{"repository", "acme-robotics/ios-app"}}));

    f.harness.refreshAndWait();
    EXPECT_EQ(f.posted->size(), 1u) << "every refresh runs the rules several times; nothing is posted twice";

    f.center->click({"job", notice.userInfo});
    ASSERT_EQ(f.harness.opener->opened.size(), 1u);
    EXPECT_EQ(f.harness.opener->opened[0], f.harness.model->jobURL("acme-robotics/ios-app")->toString().toStdString());
}

// GET /jobs failing in one refresh must not make the next good answer look all new.
TEST(Notifier, AFailedJobsAnswerDoesNotAnnounceOldFailuresAgain) {
    NotifierFixture f;
    f.harness.refreshAndWait();
    f.harness.agent->route("GET", "/jobs", test::FakeAgent::Reply::error(500, "internal", "broken"));
    f.harness.refreshAndWait();
    EXPECT_FALSE(f.harness.model->jobsAnswered());
    EXPECT_TRUE(f.harness.model->agentAvailable());
    f.serveJobs(sampleJobs());
    f.harness.refreshAndWait();
    EXPECT_TRUE(f.harness.model->jobsAnswered());
    EXPECT_TRUE(f.posted->empty());
}

// The app update is read after the change: the check runs queued, once the state is stored,
// and not at all once the notifier is gone.
TEST(Notifier, ChecksRunAfterTheChangeAndNotAfterTheNotifierIsGone) {
    NotifierFixture f;
    f.harness.updater.onChange(UpdateState::ready("1.4.0"));
    EXPECT_TRUE(f.posted->empty()) << "nothing runs inside the change itself";
    QCoreApplication::processEvents();
    EXPECT_EQ(f.titles(), std::vector<std::string>{"Quillmarsh for Mac update"});

    f.harness.updater.onChange(UpdateState::ready("1.5.0"));
    f.notifier.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.posted->size(), 1u);
}

TEST(Notifier, WithoutABundleIdentifierItIsInert) {
    NotifierFixture f("");
    EXPECT_FALSE(f.notifier->isActive());
    EXPECT_FALSE(f.center->listening());
    f.harness.updater.onChange(UpdateState::ready("1.4.0"));
    f.serveJobs(withNewFailure(sampleJobs()));
    f.harness.refreshAndWait();
    f.serveJobs(sampleJobs());
    f.harness.refreshAndWait();
    EXPECT_TRUE(f.posted->empty());
}

// The whole road on a real bus: the agent reports a new failed job, the desktop's notification
// server gets the notice, and a click on it opens the repository's jobs.
TEST(Notifier, ANoticeReachesTheDesktopAndItsClickComesBack) {
    test::ensureApp();
    if (!test::PrivateBus::daemonProgram()) GTEST_SKIP() << "dbus-daemon is not on PATH (scripts/setup installs it)";
    test::PrivateBus bus;
    test::NotificationServer server(bus);
    Harness harness;
    test::serveSamples(*harness.agent);
    Notifier notifier(*harness.model,
                      {std::make_unique<FreedesktopNotifications>(bus.connect(QStringLiteral("app")), "org.quillmarsh.test"),
                       "org.quillmarsh.test", nullptr});
    harness.refreshAndWait();
    harness.agent->route("GET", "/jobs", test::FakeAgent::Reply::json(withNewFailure(sampleJobs()).dump()));
    harness.refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return !server.calls().empty(); }));
    ASSERT_EQ(server.calls().size(), 1u);
    const auto& call = server.calls().front();
    EXPECT_EQ(call.summary.toStdString(), "ios-app ui-tests failed");
    EXPECT_EQ(call.actions, (QStringList{"default", "Open job", "OPEN_JOB", "Open job"}));
    EXPECT_EQ(call.hints.value("category").toString().toStdString(), "x-quillmarsh.job");

    server.invokeAction(call.id, QStringLiteral("OPEN_JOB"));
    ASSERT_TRUE(test::spinUntil([&] { return !harness.opener->opened.empty(); }));
    EXPECT_EQ(harness.opener->opened[0], harness.model->jobURL("acme-robotics/ios-app")->toString().toStdString());
}

TEST(Notifier, ClicksRouteByCategory) {
    using Kind = NoticeRoute::Kind;
    const struct {
        NotificationCenter::Response response;
        NoticeRoute route;
    } cases[] = {
        {{"job", {{"repository", "acme/web"}}}, {Kind::openJobs, "acme/web"}},
        {{"job", {}}, {Kind::openJobs, ""}},
        {{"appupdate", {}}, {Kind::installUpdate, ""}},
        {{"billing", {{"url", "https://billing.example/fix"}}}, {Kind::openLink, "https://billing.example/fix"}},
        {{"plan", {{"url", "mailto:billing@example.com"}}}, {Kind::openLink, "mailto:billing@example.com"}},
        {{"plan", {{"url", ""}}}, {Kind::openMachine, ""}},
        {{"billing", {{"url", "http://exa mple.com/"}}}, {Kind::openMachine, ""}},
        {{"billing", {}}, {Kind::openMachine, ""}},
        {{"break", {}}, {Kind::openMachine, ""}},
        {{"image", {{"repository", "acme/web"}}}, {Kind::openMachine, ""}},
        {{"something-else", {}}, {Kind::openMachine, ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.response.category);
        EXPECT_EQ(NoticeRoute::of(c.response), c.route);
    }

    NotifierFixture f;
    f.harness.refreshAndWait();
    const std::string machine = f.harness.model->machineURL()->toString().toStdString();
    f.center->click({"plan", {{"url", ""}}});
    f.center->click({"billing", {{"url", "https://billing.example/fix"}}});
    f.center->click({"break", {}});
    EXPECT_EQ(f.harness.opener->opened,
              (std::vector<std::string>{machine, "https://billing.example/fix", machine}));
    f.center->click({"appupdate", {}});
    EXPECT_EQ(f.harness.updater.installs, 1);
}

} // namespace
} // namespace quillmarsh
