#include "Support/HttpTestServer.h"
#include "Update/AppUpdate.h"
#include "UpdateFixtures.h"
#include "Updater/UpdateModes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <sstream>

using namespace quillmarsh;
using namespace quillmarsh::updatetest;
using quillmarsh::test::HttpTestServer;

namespace {

const std::string bareProgram = std::string(QUILLMARSH_BIN_DIR) + "/Quillmarsh";

class UpdateModeProcessTest : public CertificatesSuite {
protected:
    TempFolder folder;
    // The app itself, installed as a 1.4.0 bundle that trusts the test root.
    fs::path app = folder.path() / "Applications/Quillmarsh.app";

    void SetUp() override {
        makeBundle(app, "1.4.0", bareProgram);
        fs::copy_file(certs->root, app / "Contents/Resources/SigningRoot.pem");
    }

    ProcessResult run(const std::string& program, std::vector<std::string> args, const std::string& downloads = "") {
        args.insert(args.begin(), program);
        std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + folder.string(),
                                        "QT_QPA_PLATFORM=offscreen"};
        if (!downloads.empty())
            env.push_back("QUILLMARSH_DOWNLOADS_URL=" + downloads);
        return runProcess(args, env);
    }
};

} // namespace

TEST_F(UpdateModeProcessTest, CheckUpdatePrintsTheDecision) {
    HttpTestServer server;
    const std::string bundled = (app / "Contents/MacOS/Quillmarsh").string();
    const std::string base = server.baseURL() + "/builds";

    auto missing = run(bundled, {"--check-update"}, base);
    EXPECT_EQ(missing.status, 0);
    EXPECT_EQ(missing.out, "downloads: " + base + " current: 1.4.0\nlatest: unreadable (HTTP 404)\ndecision: badLatest\n");

    server.route("/builds/mac/latest", HttpTestServer::Reply::text("1.4.1\n"));
    auto newer = run(bundled, {"--check-update"}, base);
    EXPECT_EQ(newer.out, "downloads: " + base + " current: 1.4.0\nlatest: 1.4.1\ndecision: update(\"1.4.1\")\n");
    EXPECT_FALSE(server.requests().back().headers.contains("user-agent"));

    auto bare = run(bareProgram, {"--check-update"}, base);
    EXPECT_EQ(bare.status, 0);
    EXPECT_EQ(bare.out, "downloads: " + base + " current: none (not an app bundle)\nlatest: 1.4.1\ndecision: notABundle\n");

    // --probe comes first.
    auto probe = run(bundled, {"--check-update", "--probe"}, base);
    EXPECT_EQ(probe.out.rfind("socket: ", 0), 0u) << probe.out;
}

TEST_F(UpdateModeProcessTest, CheckUpdateWithAnUnreachableServerPrintsOneErrorLine) {
    std::string base;
    {
        HttpTestServer gone;
        base = gone.baseURL();
    }
    auto result = run((app / "Contents/MacOS/Quillmarsh").string(), {"--check-update"}, base);
    EXPECT_EQ(result.status, 0);
    auto firstLine = result.out.substr(0, result.out.find('\n') + 1);
    EXPECT_EQ(firstLine, "downloads: " + base + " current: 1.4.0\n");
    auto rest = result.out.substr(firstLine.size());
    EXPECT_TRUE(rest.starts_with("error: ")) << rest;
    EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 1);
}

TEST_F(UpdateModeProcessTest, VerifyAppChecksABundleAgainstTheAppsOwnAnchor) {
    const fs::path release = folder.path() / "release/Quillmarsh.app";
    makeBundle(release, "2.0.0");
    signBundle(release, *certs, certs->leaf(std::string(AppUpdate::teamID)));
    const std::string bundled = (app / "Contents/MacOS/Quillmarsh").string();

    auto ok = run(bundled, {"--verify-app", release.string(), "2.0.0"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "ok: " + release.string() + " is Quillmarsh.app 2.0.0 signed by Q4M7R2S9H1 and accepted by Gatekeeper\n");

    auto version = run(bundled, {"--verify-app", release.string(), "2.0.1"});
    EXPECT_EQ(version.status, 1);
    EXPECT_EQ(version.out, "refused: the download says it is not version 2.0.1\n");

    // The bare program has no anchor of the test root: neither the environment nor the download
    // can supply one.
    auto bare = run(bareProgram, {"--verify-app", release.string(), "2.0.0"});
    EXPECT_EQ(bare.status, 1);
    EXPECT_EQ(bare.out, "refused: the download is not signed by Quillmarsh: it is not a Developer ID signature by "
                        "team Q4M7R2S9H1 for org.quillmarsh.app\n");
    fs::copy_file(certs->root, release / "Contents/Resources/SigningRoot.pem");
    auto planted = run(bundled, {"--verify-app", release.string(), "2.0.0"});
    EXPECT_EQ(planted.status, 1);
    EXPECT_EQ(planted.out, "refused: the download is not signed by Quillmarsh: a file was added after signing: "
                           "Contents/Resources/SigningRoot.pem\n");
}

TEST(UpdateModesTest, VerifyAppNeedsTwoArgumentsAfterItsFirstOccurrence) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(UpdateModes::verifyArguments({"--verify-app", "/A.app", "1.0.0"}), std::make_pair(std::string("/A.app"), std::string("1.0.0")));
    EXPECT_EQ(UpdateModes::verifyArguments({"--dock", "--verify-app", "a", "b", "--verify-app"}),
              std::make_pair(std::string("a"), std::string("b")));
    EXPECT_EQ(UpdateModes::verifyArguments(Args{"--verify-app", "/A.app"}), std::nullopt);
    EXPECT_EQ(UpdateModes::verifyArguments(Args{"a", "b", "--verify-app"}), std::nullopt);
    EXPECT_EQ(UpdateModes::verifyArguments(Args{"--verify-app=x", "a", "b"}), std::nullopt);
}

// Everything read before the signature is checked is read as a regular file inside the bundle,
// never waiting, never following a link, its size known before its bytes: a FIFO, a device or a
// link out of the bundle in a signed release is refused at once. The checks run under a time
// limit, so a verification that waits fails instead of hanging the suite.
TEST_F(UpdateModeProcessTest, VerifyAppReadsOnlyTheBundlesOwnRegularFilesBeforeTheSignature) {
    const fs::path release = folder.path() / "release/Quillmarsh.app";
    const fs::path outside = folder.path() / "outside.plist";
    writeText(outside, infoPlist("org.quillmarsh.app", "2.0.0"));
    const std::string notVersion = "refused: the download says it is not version 2.0.0\n";
    const std::string notSigned = "refused: the download is not signed by Quillmarsh: Contents/_CodeSignature/";
    const auto replace = [](const fs::path& path, const std::function<void()>& make) {
        fs::remove(path);
        make();
    };
    struct Case {
        const char* what;
        fs::path file;  // inside the bundle
        std::function<void(const fs::path&)> change;
        std::string expected;
    };
    const Case cases[] = {
        {"Info.plist a FIFO", "Contents/Info.plist",
         [&](const fs::path& p) { replace(p, [&] { ::mkfifo(p.c_str(), 0644); }); }, notVersion},
        {"Info.plist a link to a device", "Contents/Info.plist",
         [&](const fs::path& p) { replace(p, [&] { fs::create_symlink("/dev/zero", p); }); }, notVersion},
        {"Info.plist a link out of the bundle", "Contents/Info.plist",
         [&](const fs::path& p) { replace(p, [&] { fs::create_symlink(outside, p); }); }, notVersion},
        {"Info.plist of a GiB", "Contents/Info.plist", [](const fs::path& p) { fs::resize_file(p, 1ull << 30); },
         notVersion},
        {"CodeResources a FIFO", "Contents/_CodeSignature/CodeResources",
         [&](const fs::path& p) { replace(p, [&] { ::mkfifo(p.c_str(), 0644); }); },
         notSigned + "CodeResources is not a regular file\n"},
        {"CodeSignature a link to a device", "Contents/_CodeSignature/CodeSignature",
         [&](const fs::path& p) { replace(p, [&] { fs::create_symlink("/dev/zero", p); }); },
         notSigned + "CodeSignature is not a regular file\n"},
    };
    const std::string bundled = (app / "Contents/MacOS/Quillmarsh").string();
    for (const auto& c : cases) {
        fs::remove_all(release);
        makeBundle(release, "2.0.0");
        signBundle(release, *certs, certs->leaf(std::string(AppUpdate::teamID)));
        c.change(release / c.file);
        auto result = run("/usr/bin/timeout", {"20", bundled, "--verify-app", release.string(), "2.0.0"});
        EXPECT_EQ(result.status, 1) << c.what;
        EXPECT_EQ(result.out, c.expected) << c.what;
    }
}

TEST_F(UpdateModeProcessTest, VerifyAppRefusesAPathItCannotResolve) {
    const std::string bundled = (app / "Contents/MacOS/Quillmarsh").string();
    auto empty = run(bundled, {"--verify-app", "", "1.0.0"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "refused: no bundle path was given\n");

    // A relative path, from a working folder that has been deleted.
    auto gone = run("/bin/sh", {"-c", "cd \"$1\" && mkdir gone && cd gone && rmdir ../gone && exec \"$0\" "
                                      "--verify-app Quillmarsh.app 1.0.0",
                                bundled, folder.string()});
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.out, "refused: cannot find Quillmarsh.app: No such file or directory\n");
}

// The latest file must arrive whole within the deadline, however it trickles: the mode prints one
// error line and ends.
TEST(UpdateModesTest, CheckUpdateEndsAtItsDeadline) {
    using namespace std::chrono_literals;
    HttpTestServer server;
    server.route("/mac/latest", HttpTestServer::Reply::dripping("1.4.1\n", 400ms));
    std::ostringstream out;
    EXPECT_EQ(UpdateModes::checkUpdate({{"QUILLMARSH_DOWNLOADS_URL", server.baseURL()}}, out, 1s), 0);
    EXPECT_EQ(out.str(), "downloads: " + server.baseURL() + " current: none (not an app bundle)\nerror: The request to " +
                             server.baseURL() + "/mac/latest did not finish within 1 second.\n");
}
