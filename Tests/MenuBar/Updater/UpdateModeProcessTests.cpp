#include "Support/HttpTestServer.h"
#include "Update/AppUpdate.h"
#include "UpdateFixtures.h"
#include "Updater/UpdateModes.h"

#include <gtest/gtest.h>

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
