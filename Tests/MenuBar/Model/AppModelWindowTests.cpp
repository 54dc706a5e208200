#include "AppModelHarness.h"
#include "Foundation/FileIO.h"
#include "Platform/AllocatedBytes.h"
#include "Support/HttpTestServer.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <filesystem>
#include <fstream>

namespace quillmarsh {
namespace {

using test::FakeAgent;
using test::Harness;
using Reply = FakeAgent::Reply;

const std::string jobId = "31880421907";

nlohmann::json sampleJobs() { return nlohmann::json::parse(test::sampleAnswer("jobs.json")); }

// --- Panes ---------------------------------------------------------------------------------

TEST(AppModelPanes, PaneHookRunsOnlyOnARealChange) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->setVisiblePane(AppPane::general);
    h.model->setVisiblePane(AppPane::jobs);
    h.model->setVisiblePane(AppPane::jobs);  // the same value: no hook
    h.drain();
    EXPECT_EQ(h.count("GET /jobs?limit=50"), 1u);
    ASSERT_TRUE(h.model->windowJobs());
    EXPECT_EQ(&h.model->paneJobs(), &*h.model->windowJobs());
}

TEST(AppModelPanes, WithoutAgentOrSocketAPaneChangeLoadsNothing) {
    Harness h;
    h.agent->stop();
    h.model->setVisiblePane(AppPane::machines);
    h.model->setVisiblePane(AppPane::caches);
    h.drain();
    EXPECT_TRUE(h.agent->requests().empty());
    EXPECT_FALSE(h.model->fleetProblem());
}

TEST(AppModelPanes, FleetIsAskedAtMostEveryThirtySecondsAndAMissingRouteNeedsAnAgent) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->setVisiblePane(AppPane::machines);
    h.drain();
    ASSERT_TRUE(h.model->fleet());
    EXPECT_EQ(h.count("GET /machines"), 1u);
    h.clock->advance(29.9);
    h.refreshAndWait();
    EXPECT_EQ(h.count("GET /machines"), 1u);

    h.agent->route("GET", "/machines", Reply::text(404, "not found"));
    h.clock->advance(0.1);
    h.refreshAndWait();
    EXPECT_EQ(h.count("GET /machines"), 2u);
    EXPECT_EQ(h.model->fleetProblem(), RouteProblem::needsAgent("0.1.36"));
    EXPECT_FALSE(h.model->fleet());

    // A failure that is not a missing route keeps the last Fleet beside the problem.
    h.agent->route("GET", "/machines", Reply::json(test::sampleAnswer("machines.json")));
    h.clock->advance(30);
    h.refreshAndWait();
    ASSERT_TRUE(h.model->fleet());
    h.agent->route("GET", "/machines", Reply::error(500, "internal", "The Fleet is not available."));
    h.clock->advance(30);
    h.refreshAndWait();
    EXPECT_TRUE(h.model->fleet());
    EXPECT_EQ(h.model->fleetProblem(), RouteProblem::failed("The Fleet is not available."));
}

TEST(AppModelPanes, CachesPaneLoadsOnlyWhileNoReportIsHeld) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->setVisiblePane(AppPane::caches);
    h.drain();
    EXPECT_TRUE(h.model->caches());
    h.refreshAndWait();
    EXPECT_EQ(h.count("GET /caches"), 1u);
}

// --- Job detail ----------------------------------------------------------------------------

struct DetailHarness : Harness {
    DetailHarness() {
        test::serveSamples(*agent);
        agent->route("GET", "/jobs/" + jobId + "/steps", Reply::json(test::sampleAnswer("jobs." + jobId + ".steps.json")));
        agent->route("GET", "/jobs/" + jobId + "/log", Reply::json(test::sampleAnswer("jobs." + jobId + ".log.json")));
        agent->route("GET", "/jobs/" + jobId + "/log?since=612",
                     Reply::json(R"({"start":612,"next":640,"size":640,"text":"more lines of the log\n","running":true,"source":"runner"})"));
        agent->route("GET", "/jobs/" + jobId + "/log?since=640",
                     Reply::json(R"({"start":640,"next":640,"size":640,"text":"","running":true,"source":"runner"})"));
        model->setVisiblePane(AppPane::jobs);
        drain();
    }
    std::size_t logReads() const {
        std::size_t n = 0;
        for (const auto& t : targets()) n += t.rfind("GET /jobs/" + jobId + "/log", 0) == 0;
        return n;
    }
    std::size_t stepReads() const { return count("GET /jobs/" + jobId + "/steps"); }
    void tick() {
        clock->fire(1.0);
        drain();
    }
};

TEST(AppModelJobDetail, LogEveryTickStepsEveryFifthAndOneLastReadAfterTheJobEnds) {
    DetailHarness h;
    h.model->openJob(jobId);
    h.drain();
    ASSERT_TRUE(h.model->detail());
    EXPECT_TRUE(h.model->detail()->logLoaded);
    EXPECT_TRUE(h.model->detail()->steps);
    EXPECT_EQ(h.model->detail()->log.next(), 612);
    EXPECT_EQ(h.logReads(), 1u);
    EXPECT_EQ(h.stepReads(), 1u);
    EXPECT_EQ(h.clock->timers(1.0), 1u);

    for (int tick = 1; tick <= 6; ++tick) h.tick();
    EXPECT_EQ(h.logReads(), 7u);
    EXPECT_EQ(h.stepReads(), 2u) << "the opening and tick 5";
    EXPECT_EQ(h.count("GET /jobs/" + jobId + "/log?since=612"), 1u);
    EXPECT_EQ(h.model->detail()->log.next(), 640);
    EXPECT_NE(h.model->detail()->log.text().find("more lines of the log"), std::string::npos);
    EXPECT_FALSE(h.model->detail()->settled);

    // The job leaves the running list before tick 7.
    auto jobs = sampleJobs();
    jobs["running"].erase(0);
    h.agent->route("GET", "/jobs?limit=50", Reply::json(jobs.dump()));
    h.refreshAndWait();
    h.tick();
    EXPECT_EQ(h.logReads(), 8u);
    EXPECT_EQ(h.stepReads(), 3u);
    EXPECT_TRUE(h.model->detail()->settled);
    for (int tick = 8; tick <= 12; ++tick) h.tick();
    EXPECT_EQ(h.logReads(), 8u) << "a settled detail rests";
    EXPECT_EQ(h.stepReads(), 3u);
}

TEST(AppModelJobDetail, OverlappingLogReadsDoNotReplaceTheText) {
    DetailHarness h;
    h.model->openJob(jobId);
    h.drain();
    const std::string first(h.model->detail()->log.text());
    h.clock->fire(1.0);
    h.clock->fire(1.0);  // sent before the first tick's answer came back: the same cursor
    h.drain();
    EXPECT_EQ(h.count("GET /jobs/" + jobId + "/log?since=612"), 2u);
    EXPECT_EQ(h.model->detail()->log.text(), first + "more lines of the log\n");
    EXPECT_EQ(h.model->detail()->log.next(), 640);
}

TEST(AppModelJobDetail, OpeningAgainKeepsTheDetailAndLeavingThePaneClosesIt) {
    DetailHarness h;
    h.model->openJob(jobId);
    h.drain();
    const JobDetail before = *h.model->detail();
    h.model->openJob(jobId);
    h.drain();
    EXPECT_EQ(h.logReads(), 1u);
    EXPECT_EQ(*h.model->detail(), before);
    EXPECT_EQ(h.clock->timers(1.0), 1u);

    h.model->openJob("31880422515");  // another job: a fresh detail and a new timer
    EXPECT_EQ(h.model->detail()->jobId, "31880422515");
    EXPECT_FALSE(h.model->detail()->logLoaded);
    EXPECT_EQ(h.clock->timers(1.0), 1u);
    h.drain();
    EXPECT_EQ(h.model->detail()->logProblem, RouteProblem::needsAgent("0.1.36")) << "the fake has no such route";
    EXPECT_TRUE(h.model->detail()->logLoaded);
    EXPECT_TRUE(h.model->detail()->log.text().empty());

    h.model->setVisiblePane(AppPane::caches);
    EXPECT_FALSE(h.model->detail());
    EXPECT_EQ(h.clock->timers(1.0), 0u);
}

TEST(AppModelJobDetail, LateAnswersForAClosedJobAreDropped) {
    DetailHarness h;
    h.model->openJob(jobId);
    h.model->closeJob();
    h.drain();
    EXPECT_FALSE(h.model->detail());
}

TEST(AppModelJobDetail, IdsGoIntoThePathAsOneEncodedSegment) {
    struct Case {
        std::string id;
        std::optional<std::string> path;
    };
    for (const Case& c : std::vector<Case>{
             {"31880421907", "/jobs/31880421907/steps"},
             {"11920339007-build linux", "/jobs/11920339007-build%20linux/steps"},
             {"a/../b", "/jobs/a%2F..%2Fb/steps"},
             {"..", "/jobs/%2E%2E/steps"},
             {"x?since=1#y%", "/jobs/x%3Fsince=1%23y%25/steps"},
             {"caf\xC3\xA9", "/jobs/caf%C3%A9/steps"},
             {"a\r\nHost: evil", std::nullopt},
             {std::string("a\0b", 3), std::nullopt},
             {"tab\there", std::nullopt},
             {"\x7f", std::nullopt},
             {"", std::nullopt},
         }) {
        EXPECT_EQ(AppModel::jobPath(c.id, "/steps"), c.path) << c.id;
    }
}

TEST(AppModelJobDetail, AnIdWithControlCharactersIsNeverSent) {
    DetailHarness h;
    const std::string bad = "1\r\nX-Evil: 1";
    h.model->openJob(bad);
    h.tick();
    for (const auto& request : h.agent->requests()) {
        EXPECT_EQ(request.target.find("X-Evil"), std::string::npos) << request.target;
    }
    ASSERT_TRUE(h.model->detail());
    EXPECT_EQ(h.model->detail()->logProblem->kind, RouteProblem::Kind::failed);
    EXPECT_EQ(h.model->detail()->stepsProblem->kind, RouteProblem::Kind::failed);
}

TEST(AppModelJobDetail, CanStopJobDependsOnTheAgentVersion) {
    struct Case {
        std::optional<std::string> version;  // none: no status at all
        bool oneRunning;
        bool expected;
    };
    for (const Case& c : std::vector<Case>{
             {"0.1.36", false, true},
             {"0.2.0", false, true},
             {"0.1.30-dev", false, true},
             {"0.1.30", false, false},
             {"0.1.30", true, true},
             {std::nullopt, false, false},
             {std::nullopt, true, true},
         }) {
        Harness h;
        test::serveSamples(*h.agent);
        auto status = nlohmann::json::parse(test::sampleAnswer("status.json"));
        status["version"] = c.version.value_or("");
        auto jobs = sampleJobs();
        if (c.oneRunning) jobs["running"].erase(1);
        h.agent->route("GET", "/status", c.version ? Reply::json(status.dump()) : Reply::text(500, "no"));
        h.agent->route("GET", "/jobs?limit=50", Reply::json(jobs.dump()));
        h.refreshAndWait();
        h.model->refreshWindowJobs();
        h.drain();
        EXPECT_EQ(h.model->canStopJob(jobId), c.expected) << c.version.value_or("(none)") << c.oneRunning;
        EXPECT_FALSE(h.model->canStopJob("31879988310")) << "a finished job";
    }
}

TEST(AppModelJobDetail, StopJobPostsTheIdAndReloadsOnlyThePaneList) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->stopJob(jobId);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->windowJobs().has_value(); }));
    EXPECT_EQ(h.targets(), (std::vector<std::string>{"POST /jobs/stop", "GET /jobs?limit=50"}));
    EXPECT_EQ(nlohmann::json::parse(h.agent->requests()[0].body), (nlohmann::json{{"job_id", jobId}}));

    h.agent->route("POST", "/jobs/stop", Reply::error(409, "busy", "Not now.", "Wait."));
    h.model->stopJob(jobId);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->lastError().has_value(); }));
    EXPECT_EQ(h.model->lastError(), "Not now.");
}

TEST(AppModelJobDetail, GithubLinkPrefersTheStepsAnswerAndStopsAtAMalformedCandidate) {
    DetailHarness h;
    EXPECT_EQ(h.model->githubURL(jobId)->toString().toStdString(),
              "https://github.com/acme-robotics/ios-app/actions/runs/11920334581");
    h.model->openJob(jobId);
    h.drain();
    EXPECT_EQ(h.model->githubURL(jobId)->toString().toStdString(),
              "https://github.com/acme-robotics/ios-app/actions/runs/11920334581/job/31880421907");
    // Another job never gets the open job's link; without run_url its link is built from
    // repository and run id.
    EXPECT_EQ(h.model->githubURL("31880422515")->toString().toStdString(),
              "https://github.com/acme-robotics/firmware/actions/runs/11920339007");
    EXPECT_EQ(h.model->githubURL("no-such-job"), std::nullopt);

    auto jobs = sampleJobs();
    jobs["running"][1]["run_url"] = "https://exa mple.com/x";
    h.agent->route("GET", "/jobs?limit=50", Reply::json(jobs.dump()));
    h.refreshAndWait();
    EXPECT_EQ(h.model->githubURL("31880422515"), std::nullopt);
}

// --- Images, space, FileVault --------------------------------------------------------------

TEST(AppModelSideData, ImagesAndSpaceAreThrottledForThreeHundredSeconds) {
    Harness h;
    test::serveSamples(*h.agent);
    const std::string images = h.agent->home() + "/images";
    std::filesystem::create_directories(images + "/macos");
    std::ofstream(images + "/macos/disk.img") << std::string(200'000, 'd');

    h.model->refreshImages(false);
    h.model->refreshSpace(false);
    h.model->refreshImages(false);
    h.model->refreshSpace(false);
    ASSERT_TRUE(test::spinUntil([&] { return h.model->images() && h.model->imagesBytes() && h.model->caches(); }));
    EXPECT_EQ(h.model->imagesBytes(), AllocatedBytes::under(images));
    EXPECT_EQ(h.count("GET /image/checks"), 1u);
    EXPECT_EQ(h.count("GET /caches"), 1u);

    h.clock->advance(299);
    h.model->refreshImages(false);
    h.model->refreshImages(true);
    h.model->refreshSpace(true);
    h.drain();
    EXPECT_EQ(h.count("GET /image/checks"), 2u);
    EXPECT_EQ(h.count("GET /caches"), 2u);
}

TEST(AppModelSideData, WithoutASocketImagesStayAndCachesClear) {
    Harness h;
    test::serveSamples(*h.agent);
    h.model->refreshImages(true);
    h.model->refreshCaches();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->images() && h.model->caches(); }));
    h.agent->stop();
    h.model->refreshImages(true);
    h.model->refreshCaches();
    ASSERT_TRUE(test::spinUntil([&] { return !h.model->caches(); }));
    EXPECT_TRUE(h.model->images());
}

TEST(AppModelSideData, FileVaultIsAskedOncePerRun) {
    test::TempFolder system;
    system.write("proc/self/mountinfo", "29 1 254:0 / / rw - ext4 /dev/mapper/root rw\n");
    system.write("sys/dev/block/254:0/dm/uuid", "CRYPT-LUKS2-abc\n");
    AppModel::Environment environment;
    environment.fileVault = FileVaultProbe(system / "proc", system / "sys");
    Harness h(std::make_unique<FakeAgent>(), environment);
    h.model->refreshFileVault();
    ASSERT_TRUE(test::spinUntil([&] { return h.model->fileVaultOn().has_value(); }));
    EXPECT_EQ(h.model->fileVaultOn(), true);
    system.write("sys/dev/block/254:0/dm/uuid", "LVM-abc\n");
    int changes = 0;
    QObject::connect(h.model.get(), &AppModel::objectWillChange, [&] { ++changes; });
    h.model->refreshFileVault();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(h.model->fileVaultOn(), true);
}

// --- Identity ------------------------------------------------------------------------------

std::string pngBytes() {
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A cached avatar here is a 4x4 PNG, the kind a word.
constexpr std::size_t maxCachedBytes = 64 << 10;

struct IdentityHarness {
    explicit IdentityHarness(const std::string& cache, const std::string& owner = "acme-robotics") {
        AppModel::Environment environment;
        environment.github = {github.baseURL(), github.baseURL()};
        environment.identityCache = cache;
        environment.fetch = &GitHubIdentity::httpFetch;
        h = std::make_unique<Harness>(std::make_unique<FakeAgent>(), environment);
        test::serveSamples(*h->agent);
        auto account = nlohmann::json::parse(test::sampleAnswer("account.json"));
        account["owner"] = owner;
        h->agent->route("GET", "/account", Reply::json(account.dump()));
        h->model->setWindowOpened(true);
    }
    test::HttpTestServer github;
    std::unique_ptr<Harness> h;
};

TEST(AppModelIdentity, FetchesOnceThenServesFromTheCache) {
    test::TempFolder cache;
    {
        IdentityHarness i(cache.path());
        i.github.route("/acme-robotics.png?size=144", test::HttpTestServer::Reply::text(pngBytes()));
        i.github.route("/users/acme-robotics", test::HttpTestServer::Reply::text(R"({"login":"acme-robotics","type":"Organization"})"));
        i.h->refreshAndWait();  // loads the identity after the refresh
        ASSERT_TRUE(test::spinUntil([&] { return i.h->model->avatar().has_value(); }));
        EXPECT_EQ(i.h->model->accountKind(), "Organization");
        EXPECT_EQ(i.h->model->accountCaption(), "Organisation");
        EXPECT_EQ(FileIO::readFile(cache / "acme-robotics.png", maxCachedBytes), pngBytes());
        EXPECT_EQ(FileIO::readFile(cache / "acme-robotics.kind", maxCachedBytes), "Organization");
        for (const auto& request : i.github.requests()) {
            EXPECT_EQ(request.headers.at("user-agent"), "quillmarsh-mac");
        }
    }
    IdentityHarness again(cache.path());
    again.h->refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return again.h->model->avatar().has_value(); }));
    EXPECT_EQ(again.h->model->accountKind(), "Organization");
    EXPECT_TRUE(again.github.requests().empty());
}

TEST(AppModelIdentity, MissingAvatarIsRetriedAfterSixtySeconds) {
    test::TempFolder cache;
    IdentityHarness i(cache.path());
    i.github.route("/users/acme-robotics", test::HttpTestServer::Reply::text(R"({"type":"User"})"));
    i.h->refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return i.h->model->accountKind().has_value(); }));
    EXPECT_FALSE(i.h->model->avatar());
    EXPECT_EQ(i.h->model->accountCaption(), "Personal");
    EXPECT_EQ(i.github.targets(), (std::vector<std::string>{"/acme-robotics.png?size=144", "/users/acme-robotics"}));

    i.h->clock->advance(59);
    i.h->refreshAndWait();
    i.h->model->loadIdentity();
    i.h->drain();
    EXPECT_EQ(i.github.requests().size(), 2u) << "no attempt within 60 s";

    i.github.route("/acme-robotics.png?size=144", test::HttpTestServer::Reply::text(pngBytes()));
    i.h->clock->advance(1);
    i.h->refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return i.h->model->avatar().has_value(); }));
    EXPECT_EQ(i.github.targets().back(), "/acme-robotics.png?size=144") << "the kind came from the cache";
}

TEST(AppModelIdentity, UndecodableCachedAvatarAndBlankKindAreFetchedAgain) {
    test::TempFolder cache;
    cache.write("acme-robotics.png", "<html>not an image</html>");
    cache.write("acme-robotics.kind", " \n\t");
    IdentityHarness i(cache.path());
    i.github.route("/acme-robotics.png?size=144", test::HttpTestServer::Reply::text(pngBytes()));
    i.github.route("/users/acme-robotics", test::HttpTestServer::Reply::text(R"({"type":"User"})"));
    i.h->refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return i.h->model->avatar().has_value(); }));
    EXPECT_EQ(FileIO::readFile(cache / "acme-robotics.png", maxCachedBytes), pngBytes());
    EXPECT_EQ(i.h->model->accountKind(), "User");
    EXPECT_EQ(FileIO::readFile(cache / "acme-robotics.kind", maxCachedBytes), "User");
}

TEST(AppModelIdentity, FetchedBytesThatAreNoImageAreNotCached) {
    test::TempFolder cache;
    IdentityHarness i(cache.path());
    i.github.route("/acme-robotics.png?size=144", test::HttpTestServer::Reply::text("<html>rate limited</html>"));
    i.github.route("/users/acme-robotics", test::HttpTestServer::Reply::text(R"({"type":"User"})"));
    i.h->refreshAndWait();
    ASSERT_TRUE(test::spinUntil([&] { return i.h->model->accountKind().has_value(); }));
    EXPECT_FALSE(i.h->model->avatar());
    EXPECT_FALSE(std::filesystem::exists(cache / "acme-robotics.png"));
}

TEST(AppModelIdentity, AnOwnerThatIsNoGitHubLoginLoadsNothing) {
    for (const char* owner : {"../../.ssh/id", "acme robotics", "-acme", "a--b", "x/y"}) {
        test::TempFolder cache;
        IdentityHarness i(cache / "accounts", owner);
        i.h->refreshAndWait();
        ASSERT_TRUE(i.h->model->account());
        i.h->model->loadIdentity();
        i.h->drain();
        QCoreApplication::processEvents();
        EXPECT_TRUE(i.github.requests().empty()) << owner;
        EXPECT_FALSE(std::filesystem::exists(cache / "accounts")) << owner;
        EXPECT_FALSE(i.h->model->accountKind()) << owner;
    }
}

TEST(AppModelIdentity, AResultForAnOwnerNoLongerShownIsDropped) {
    test::TempFolder cache;
    IdentityHarness i(cache.path());
    i.github.route("/acme-robotics.png?size=144", test::HttpTestServer::Reply::text(pngBytes()));
    i.github.route("/users/acme-robotics", test::HttpTestServer::Reply::text(R"({"type":"Organization"})"));
    i.github.route("/other-org.png?size=144", test::HttpTestServer::Reply::text(pngBytes()));
    i.github.route("/users/other-org", test::HttpTestServer::Reply::text(R"({"type":"User"})"));
    i.h->refreshAndWait();  // starts loading acme-robotics
    auto account = nlohmann::json::parse(test::sampleAnswer("account.json"));
    account["owner"] = "other-org";
    i.h->agent->route("GET", "/account", Reply::json(account.dump()));
    i.h->refreshAndWait();  // starts loading other-org
    ASSERT_TRUE(test::spinUntil([&] { return i.h->model->accountKind() == "User"; }));
    QCoreApplication::processEvents();
    i.h->drain();
    EXPECT_EQ(i.h->model->accountKind(), "User");
}

} // namespace
} // namespace quillmarsh
