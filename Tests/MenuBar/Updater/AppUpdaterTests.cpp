#include "Platform/AppBundle.h"
#include "Platform/TreeRemoval.h"
#include "Support/HttpTestServer.h"
#include "Support/TestApplication.h"
#include "Update/AppUpdate.h"
#include "UpdateFixtures.h"
#include "Updater/AppUpdater.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <mutex>
#include <thread>

#include <unistd.h>

using namespace quillmarsh;
using namespace quillmarsh::updatetest;
using quillmarsh::test::HttpTestServer;

namespace {

// Log lines that the updater writes through Qt's message handler.
std::mutex logMutex;
std::vector<std::string> logLines;
void collectLog(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::lock_guard lock(logMutex);
    logLines.push_back(message.toStdString());
}

std::vector<std::string> folderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class AppUpdaterTest : public CertificatesSuite {
protected:
    TempFolder root;
    fs::path applications = root.path() / "Applications";
    fs::path installed = applications / "Quillmarsh.app";
    fs::path temporary = root.path() / "tmp";
    fs::path release = root.path() / "release/Quillmarsh.app";
    HttpTestServer server;
    std::vector<UpdateState> states;
    int terminations = 0;
    pid_t parent = 0;  // stands for the quitting app in the relaunch
    std::unique_ptr<AppUpdater> made_;
    QtMessageHandler previousHandler = nullptr;

    void SetUp() override {
        test::ensureApp();
        {
            std::lock_guard lock(logMutex);
            logLines.clear();
        }
        previousHandler = qInstallMessageHandler(collectLog);
        fs::create_directories(temporary);
        makeBundle(installed, "1.0.0");
    }

    void TearDown() override {
        made_.reset();
        // Also folders that a release closed to their owner, which plain removal cannot empty
        // when the test runs as an ordinary user.
        TreeRemoval::remove(root.string());
        qInstallMessageHandler(previousHandler);
        if (parent > 0) {
            ::kill(parent, SIGKILL);
            ::waitpid(parent, nullptr, 0);
        }
    }

    // The release 2.0.0 as the server offers it: built, signed with leaf, zipped, digested.
    void publish(const std::string& version = "2.0.0",
                 const std::function<void(const fs::path&)>& afterSigning = nullptr,
                 const std::string& team = std::string(AppUpdate::teamID), const std::string& latest = "2.0.0\n",
                 std::optional<std::string> digest = std::nullopt) {
        fs::remove_all(release);
        makeBundle(release, version);
        writeText(release / "Contents/Resources/notes.txt", "new\n");
        fs::create_symlink("notes.txt", release / "Contents/Resources/current");
        signBundle(release, *certs, certs->leaf(team));
        if (afterSigning)
            afterSigning(release);
        serve(zipBytes(entriesOf(release, "Quillmarsh.app")), latest, digest);
    }

    void serve(const std::string& zip, const std::string& latest = "2.0.0\n",
               std::optional<std::string> digest = std::nullopt) {
        server.route("/mac/latest", HttpTestServer::Reply::text(latest));
        server.route("/mac/v2.0.0/Quillmarsh-darwin-arm64.zip", HttpTestServer::Reply::text(zip));
        std::string upper = digest.value_or(AppUpdate::sha256Hex(zip));
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        server.route("/mac/v2.0.0/Quillmarsh-darwin-arm64.zip.sha256",
                     HttpTestServer::Reply::text(upper + "  Quillmarsh-darwin-arm64.zip\n"));
    }

    AppUpdater& make(std::function<bool(const std::string&)> isWritable = nullptr,
                     const std::function<void(AppUpdater::Options&)>& adjust = nullptr,
                     const std::optional<std::string>& base = std::nullopt) {
        AppUpdater::Options options;
        options.temporaryDirectory = temporary.string();
        options.anchors = TrustAnchors{{readText(certs->root)}};
        options.isWritable = isWritable ? isWritable
                                        : [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; };
        options.terminate = [this] { ++terminations; };
        parent = ::fork();
        if (parent == 0) {
            ::pause();
            ::_exit(0);
        }
        options.processId = parent;
        options.firstCheckDelay = std::chrono::hours(1);
        if (adjust)
            adjust(options);
        made_ = std::make_unique<AppUpdater>(AppBundle::ofExecutable((installed / "Contents/MacOS/Quillmarsh").string()),
                                               base.value_or(server.baseURL()), options);
        made_->onChange = [this](const UpdateState& state) { states.push_back(state); };
        return *made_;
    }

    void checkAndWait() {
        made_->check();
        ASSERT_TRUE(test::spinUntil([&] { return !made_->busy(); }));
    }

    bool logged(const std::string& line) {
        std::lock_guard lock(logMutex);
        return std::find(logLines.begin(), logLines.end(), line) != logLines.end();
    }
};

} // namespace

TEST_F(AppUpdaterTest, StagesVerifiesSwapsAndRelaunchesAfterTheParentIsGone) {
    publish();
    auto& updater = make();
    ASSERT_EQ(updater.currentVersion(), "1.0.0");
    checkAndWait();
    EXPECT_EQ(states, (std::vector<UpdateState>{UpdateState::checking(), UpdateState::downloading("2.0.0"),
                                                UpdateState::ready("2.0.0")}));
    ASSERT_TRUE(updater.staged());
    const fs::path staged = updater.staged()->path;
    EXPECT_EQ(staged.parent_path(), applications);
    EXPECT_TRUE(staged.filename().string().starts_with(".Quillmarsh.app.update-"));
    EXPECT_EQ(staged.filename().string().size(), std::string(".Quillmarsh.app.update-").size() + 8);
    EXPECT_TRUE(folderNames(temporary).empty());
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/mac/latest", "/mac/v2.0.0/Quillmarsh-darwin-arm64.zip.sha256",
                                                          "/mac/v2.0.0/Quillmarsh-darwin-arm64.zip"}));
    EXPECT_EQ(server.requests()[0].headers["user-agent"], "quillmarsh-mac");
    EXPECT_EQ(AppUpdate::bundleVersion(installed.string()), "1.0.0");  // staging never touches the app

    updater.check();  // ready: nothing more to do
    EXPECT_FALSE(updater.busy());

    updater.install();
    EXPECT_EQ(states.back(), UpdateState::installing("2.0.0"));
    EXPECT_EQ(AppUpdate::bundleVersion(installed.string()), "2.0.0");
    EXPECT_TRUE(fs::is_symlink(installed / "Contents/Resources/current"));
    EXPECT_FALSE(fs::exists(staged));  // it held the old app
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(updater.busy());

    // The relaunch waits for the quitting process.
    const fs::path marker = applications / "relaunched";
    // Long enough for the shell's loop to have gone round a few times.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_FALSE(fs::exists(marker));
    ::kill(parent, SIGKILL);
    ::waitpid(parent, nullptr, 0);
    parent = 0;
    ASSERT_TRUE(test::spinUntil([&] { return fs::exists(marker); }));
    EXPECT_NE(readText(marker).find("<string>2.0.0</string>"), std::string::npos);
}

TEST_F(AppUpdaterTest, AWrongDigestFailsAndLeavesNothingBehind) {
    publish("2.0.0", nullptr, std::string(AppUpdate::teamID), "2.0.0\n", std::string(64, 'a'));
    make();
    checkAndWait();
    EXPECT_EQ(states.back(), UpdateState::failed("2.0.0", "the download's checksum does not match the release"));
    EXPECT_TRUE(folderNames(temporary).empty());
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));
    EXPECT_TRUE(logged("Quillmarsh: app update failed: the download's checksum does not match the release"));
    EXPECT_FALSE(made_->staged());
}

TEST_F(AppUpdaterTest, ADownloadThatFailsVerificationIsRemoved) {
    const std::string notSigned = "the download is not signed by Quillmarsh: ";
    struct Case {
        const char* what;
        std::string version;
        std::function<void(const fs::path&)> afterSigning;
        std::string team;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"other version", "2.0.1", nullptr, std::string(AppUpdate::teamID), "the download says it is not version 2.0.0"},
        {"added file", "2.0.0", [](const fs::path& b) { writeText(b / "Contents/MacOS/helper", "x"); },
         std::string(AppUpdate::teamID), notSigned + "a file was added after signing: Contents/MacOS/helper"},
        {"changed file", "2.0.0", [](const fs::path& b) { writeText(b / "Contents/Resources/notes.txt", "evil\n"); },
         std::string(AppUpdate::teamID), notSigned + "a file was changed after signing: Contents/Resources/notes.txt"},
        {"unsigned", "2.0.0", [](const fs::path& b) { fs::remove_all(b / "Contents/_CodeSignature"); },
         std::string(AppUpdate::teamID), notSigned + "the bundle is not signed"},
        {"other team", "2.0.0", nullptr, "OTHERTEAM1",
         notSigned + "it is not a Developer ID signature by team Q4M7R2S9H1 for org.quillmarsh.app"},
    };
    for (const auto& c : cases) {
        states.clear();
        publish(c.version, c.afterSigning, c.team);
        made_.reset();
        if (parent > 0) {
            ::kill(parent, SIGKILL);
            ::waitpid(parent, nullptr, 0);
        }
        make();
        checkAndWait();
        EXPECT_EQ(states.back(), UpdateState::failed("2.0.0", c.reason)) << c.what;
        EXPECT_TRUE(folderNames(temporary).empty()) << c.what;
        EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"})) << c.what;
        EXPECT_EQ(AppUpdate::bundleVersion(installed.string()), "1.0.0");
    }
}

TEST_F(AppUpdaterTest, AZipSlipArchiveIsRefusedBeforeAnythingLeavesTheWorkFolder) {
    publish();
    auto entries = entriesOf(release, "Quillmarsh.app");
    entries.push_back({"../../Applications/planted", ZipEntry::Kind::file, "x", 0755});
    serve(zipBytes(entries));
    make();
    checkAndWait();
    ASSERT_EQ(states.back().kind, UpdateState::Case::failed);
    EXPECT_NE(states.back().reason.find("cannot be unpacked"), std::string::npos) << states.back().reason;
    EXPECT_FALSE(fs::exists(applications / "planted"));
    EXPECT_FALSE(fs::exists(root.path() / "planted"));
    EXPECT_TRUE(folderNames(temporary).empty());
}

TEST_F(AppUpdaterTest, ACopyThatCannotReplaceItselfOnlyReadsLatest) {
    publish();
    const std::string parentFolder = applications.string();
    // Tests may run as root, for whom every folder is writable: the parent is reported read-only.
    make([parentFolder](const std::string& path) { return path != parentFolder && ::access(path.c_str(), W_OK) == 0; });
    checkAndWait();
    EXPECT_EQ(states, (std::vector<UpdateState>{
                          UpdateState::checking(), UpdateState::downloading("2.0.0"),
                          UpdateState::manual("2.0.0",
                                              "This copy was installed by another user, so it cannot replace itself.")}));
    EXPECT_EQ(server.targets(), (std::vector<std::string>{"/mac/latest"}));
    EXPECT_EQ(states.back().menuRow(), (UpdateState::MenuRow{"Update available", "2.0.0", true}));
    made_->install();
    EXPECT_EQ(states.back().kind, UpdateState::Case::manual);
}

TEST_F(AppUpdaterTest, LatestFileProblemsEndIdleWithALogLine) {
    struct Case {
        std::optional<std::string> latest;  // none: 404
        std::string line;
    };
    const Case cases[] = {
        {std::nullopt, "Quillmarsh: app update failed: latest answered 404"},
        {"1.2.3.4\n", "Quillmarsh: app update failed: downloads.quillmarsh.example did not name a version"},
    };
    make();
    for (const auto& c : cases) {
        states.clear();
        if (c.latest)
            server.route("/mac/latest", HttpTestServer::Reply::text(*c.latest));
        checkAndWait();
        EXPECT_EQ(states, (std::vector<UpdateState>{UpdateState::checking(), UpdateState::idle()}));
        EXPECT_TRUE(logged(c.line)) << c.line;
    }
    states.clear();
    server.route("/mac/latest", HttpTestServer::Reply::text("1.0.0\n"));
    checkAndWait();
    EXPECT_EQ(states, (std::vector<UpdateState>{UpdateState::checking(), UpdateState::idle()}));
    EXPECT_EQ(server.targets().size(), 3u);  // never more than latest
}

TEST_F(AppUpdaterTest, AFailedInstallRemovesTheStagedCopy) {
    publish();
    auto& updater = make();
    checkAndWait();
    ASSERT_TRUE(updater.staged());
    const fs::path staged = updater.staged()->path;
    fs::remove_all(installed);  // nothing to swap with
    updater.install();
    EXPECT_EQ(states.back(), UpdateState::failed("2.0.0", "swap failed: No such file or directory"));
    EXPECT_TRUE(logged("Quillmarsh: app update could not be installed: swap failed: No such file or directory"));
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_FALSE(updater.busy());
    EXPECT_EQ(terminations, 0);
}

TEST_F(AppUpdaterTest, InstallAtQuitSwapsWithoutRelaunchOrStateChange) {
    publish();
    auto& updater = make();
    checkAndWait();
    updater.installAtQuit();
    EXPECT_EQ(AppUpdate::bundleVersion(installed.string()), "2.0.0");
    EXPECT_EQ(states.back(), UpdateState::ready("2.0.0"));
    EXPECT_EQ(terminations, 0);
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));
}

TEST_F(AppUpdaterTest, DailyTickInstallsOnlyWhenQuiet) {
    publish();
    auto& updater = make();
    checkAndWait();
    bool quiet = false;
    updater.isQuiet = [&] { return quiet; };
    const auto requests = server.targets().size();
    updater.dailyTick();  // menu open: neither installs nor checks
    EXPECT_EQ(states.back(), UpdateState::ready("2.0.0"));
    EXPECT_EQ(server.targets().size(), requests);
    quiet = true;
    updater.dailyTick();
    EXPECT_EQ(states.back(), UpdateState::installing("2.0.0"));
    EXPECT_EQ(AppUpdate::bundleVersion(installed.string()), "2.0.0");
}

TEST_F(AppUpdaterTest, StartRemovesStaleStagingAndABareExecutableNeverUpdates) {
    fs::create_directories(applications / ".Quillmarsh.app.update-OLD1/Contents");
    writeText(applications / ".Quillmarsh.app.update-OLD2", "x");
    writeText(applications / "Other.app", "x");
    auto& updater = make();
    updater.start();
    EXPECT_TRUE(updater.hasTimer());
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Other.app", "Quillmarsh.app"}));

    // A copy without a bundle identifier: no clean-up, no timer, no checks.
    fs::create_directories(root.path() / "bare");
    fs::copy_file(std::string(QUILLMARSH_BIN_DIR) + "/update-marker", root.path() / "bare/Quillmarsh");
    fs::create_directories(root.path() / ".Quillmarsh.app.update-KEEP");
    AppUpdater bare(AppBundle::ofExecutable((root.path() / "bare/Quillmarsh").string()), server.baseURL());
    EXPECT_EQ(bare.currentVersion(), std::nullopt);
    bare.start();
    bare.check();
    EXPECT_FALSE(bare.hasTimer());
    EXPECT_FALSE(bare.busy());
    EXPECT_EQ(bare.state(), UpdateState::idle());
    EXPECT_TRUE(fs::exists(root.path() / ".Quillmarsh.app.update-KEEP"));
    EXPECT_TRUE(server.targets().empty());
}

// A staging killed while it downloads leaves its work folder in the temporary folder; the next
// start removes it. Only that: a link, a file, another user's folder and other names stay, and
// the link's target is never entered.
TEST_F(AppUpdaterTest, StartRemovesOnlyThisUsersAbandonedWorkFolders) {
    const auto work = [&](const std::string& uuid) { return temporary / AppUpdate::workFolderName(uuid); };
    const fs::path abandoned = work("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    writeText(abandoned / "Quillmarsh-darwin-arm64.zip", "zip");
    writeText(abandoned / "unpacked/Quillmarsh.app/Contents/MacOS/Quillmarsh", "x");
    writeText(root.path() / "elsewhere/keep.txt", "x");
    std::vector<std::string> kept = {
        AppUpdate::workFolderName("00000000-0000-0000-0000-000000000001"),  // a link to a folder
        AppUpdate::workFolderName("00000000-0000-0000-0000-000000000002"),  // a file
        AppUpdate::workFolderName("00000000-0000-0000-0000-000000000002") + ".new",
        "org.example.other.update-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0",
    };
    fs::create_directory_symlink(root.path() / "elsewhere", temporary / kept[0]);
    writeText(temporary / kept[1], "x");
    fs::create_directories(temporary / kept[2]);
    fs::create_directories(temporary / kept[3] / "inside");
    if (::geteuid() == 0) {
        // Another user's, which root could remove.
        kept.push_back(AppUpdate::workFolderName("00000000-0000-0000-0000-000000000003"));
        fs::create_directories(temporary / kept.back());
        ASSERT_EQ(::chown((temporary / kept.back()).c_str(), 65534, 65534), 0);
    }
    std::sort(kept.begin(), kept.end());

    make().start();
    EXPECT_EQ(folderNames(temporary), kept);
    EXPECT_TRUE(fs::exists(root.path() / "elsewhere/keep.txt"));
    EXPECT_TRUE(logged("Quillmarsh: removing an update download left by an earlier run: " +
                       abandoned.filename().string()));
}

// The work folder of a staging that runs is not abandoned: another copy of the app that starts
// meanwhile leaves it, and the staging removes it when it ends.
TEST_F(AppUpdaterTest, AStagingThatRunsKeepsItsWorkFolderWhenAnotherCopyStarts) {
    auto slow = std::make_unique<HttpTestServer>();
    const std::string zip = "/mac/v2.0.0/Quillmarsh-darwin-arm64.zip";
    slow->route("/mac/latest", HttpTestServer::Reply::text("2.0.0\n"));
    slow->route(zip + ".sha256", HttpTestServer::Reply::text(std::string(64, 'a') + "  Quillmarsh-darwin-arm64.zip\n"));
    slow->route(zip, HttpTestServer::Reply::stalled(std::string(4096, 'z'), 100));
    auto& updater = make(nullptr, nullptr, slow->baseURL());
    updater.check();
    ASSERT_TRUE(test::spinUntil([&] {
        const auto targets = slow->targets();
        return std::find(targets.begin(), targets.end(), zip) != targets.end();
    }));
    const auto working = folderNames(temporary);
    ASSERT_EQ(working.size(), 1u);
    EXPECT_TRUE(AppUpdate::isWorkFolderName(working.front())) << working.front();

    AppUpdater::Options options;
    options.temporaryDirectory = temporary.string();
    options.firstCheckDelay = std::chrono::hours(1);
    AppUpdater other(AppBundle::ofExecutable((installed / "Contents/MacOS/Quillmarsh").string()), slow->baseURL(),
                     options);
    other.start();
    EXPECT_EQ(folderNames(temporary), working);

    slow.reset();  // the download breaks off
    ASSERT_TRUE(test::spinUntil([&] { return !updater.busy(); }));
    EXPECT_EQ(states.back().kind, UpdateState::Case::failed);
    EXPECT_TRUE(folderNames(temporary).empty());
}

// The folder modes of a release travel with it to the staged copy, and none of them can leave a
// folder behind: not in the temporary folder, not beside the app, not at the next start. Run as
// an ordinary user, for whom a folder of 0500 or 0000 cannot be emptied without first being
// opened again.
TEST_F(AppUpdaterTest, RestrictiveFolderModesNeverLeaveFoldersBehind) {
    if (!asOrdinaryUser())
        return;
    const auto lockedRelease = [this](const std::string& team) {
        if (fs::exists(release / "Contents/Resources/locked"))
            fs::permissions(release / "Contents/Resources/locked", fs::perms(0700));
        fs::remove_all(release);
        makeBundle(release, "2.0.0");
        writeText(release / "Contents/Resources/locked/inside.txt", "x");
        fs::permissions(release / "Contents/Resources/locked", fs::perms(0500));
        signBundle(release, *certs, certs->leaf(team));
        return entriesOf(release, "Quillmarsh.app");
    };

    // Left by an earlier run: folders that only open to their owner once it makes them so.
    const fs::path stale = applications / ".Quillmarsh.app.update-0BADF00D";
    writeText(stale / "Contents/closed/inside.txt", "x");
    writeText(stale / "Contents/locked/inside.txt", "x");
    fs::permissions(stale / "Contents/closed", fs::perms(0000));
    fs::permissions(stale / "Contents/locked", fs::perms(0500));
    auto& updater = make();
    updater.start();
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));

    // A release the signature refuses, with closed and read-only folders in it.
    auto entries = lockedRelease("OTHERTEAM1");
    entries.push_back({"Quillmarsh.app/Contents/closed", ZipEntry::Kind::folder, "", 0000});
    serve(zipBytes(entries));
    checkAndWait();
    EXPECT_EQ(states.back().kind, UpdateState::Case::failed) << states.back().reason;
    EXPECT_TRUE(folderNames(temporary).empty());
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));

    // A genuine release with a read-only folder: staged with that mode, nothing else left.
    serve(zipBytes(lockedRelease(std::string(AppUpdate::teamID))));
    checkAndWait();
    ASSERT_EQ(states.back(), UpdateState::ready("2.0.0")) << states.back().reason;
    EXPECT_TRUE(folderNames(temporary).empty());
    const fs::path locked = fs::path(updater.staged()->path) / "Contents/Resources/locked";
    EXPECT_EQ(fs::status(locked).permissions(), fs::perms(0500));
    updater.install();
    EXPECT_EQ(states.back(), UpdateState::installing("2.0.0"));
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));
}

// A server that trickles keeps each byte within the inactivity time-out; the small files are cut
// off at their deadline and the archive below its least average rate.
TEST_F(AppUpdaterTest, DownloadsThatTrickleAreCutOff) {
    using namespace std::chrono_literals;
    make(nullptr, [](AppUpdater::Options& options) {
        options.smallFileDeadline = 1s;
        options.archiveRate = {1000, 500ms};
    });
    server.route("/mac/latest", HttpTestServer::Reply::dripping("2.0.0\n", 300ms));
    checkAndWait();
    EXPECT_EQ(states, (std::vector<UpdateState>{UpdateState::checking(), UpdateState::idle()}));
    EXPECT_TRUE(logged("Quillmarsh: app update failed: The request to " + server.baseURL() +
                       "/mac/latest did not finish within 1 second."));

    publish();
    const std::string zipURL = server.baseURL() + "/mac/v2.0.0/Quillmarsh-darwin-arm64.zip";
    server.route("/mac/v2.0.0/Quillmarsh-darwin-arm64.zip", HttpTestServer::Reply::dripping(std::string(4000, 'z'), 100ms, 10));
    states.clear();
    checkAndWait();
    ASSERT_EQ(states.back().kind, UpdateState::Case::failed);
    EXPECT_TRUE(states.back().reason.starts_with("The download from " + zipURL + " is too slow: ")) << states.back().reason;
    EXPECT_TRUE(folderNames(temporary).empty());
    EXPECT_EQ(folderNames(applications), (std::vector<std::string>{"Quillmarsh.app"}));
}
