#include "Platform/BundleCopier.h"
#include "Platform/CodeSignature.h"
#include "Platform/Gatekeeper.h"
#include "Update/AppUpdate.h"
#include "UpdateFixtures.h"
#include "Updater/AppUpdater.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

using namespace quillmarsh;
using namespace quillmarsh::updatetest;

namespace {

class SignedBundleTest : public ::testing::Test {
protected:
    static inline TempFolder* certFolder = nullptr;
    static inline TestCertificates* certs = nullptr;
    static inline TestCertificates* otherRoot = nullptr;

    static void SetUpTestSuite() {
        certFolder = new TempFolder("qm-certs");
        certs = new TestCertificates(certFolder->path() / "main");
        otherRoot = new TestCertificates(certFolder->path() / "other", "Other");
    }
    static void TearDownTestSuite() {
        delete otherRoot;
        delete certs;
        delete certFolder;
    }

    TempFolder folder;
    fs::path bundle = folder.path() / "Quillmarsh.app";

    static TrustAnchors anchorsOf(const TestCertificates& c) { return TrustAnchors{{readText(c.root)}}; }

    void makeSigned(const std::string& team = std::string(AppUpdate::teamID)) {
        makeBundle(bundle, "2.0.0");
        writeText(bundle / "Contents/Resources/notes.txt", "notes\n");
        fs::create_symlink("notes.txt", bundle / "Contents/Resources/current");
        signBundle(bundle, *certs, certs->leaf(team));
    }

    std::string verifyError(const std::string& version = "2.0.0") {
        try {
            AppUpdater::verify(bundle.string(), version, anchorsOf(*certs));
            return "";
        } catch (const AppUpdater::UpdateError& error) {
            return error.what();
        }
    }
};

} // namespace

TEST_F(SignedBundleTest, ASignedBundleVerifies) {
    makeSigned();
    EXPECT_EQ(verifyError(), "");
    EXPECT_EQ(CodeSignature::teamIdentifier(bundle.string()), std::string(AppUpdate::teamID));
    // A copy that keeps links and modes is still the signed bundle.
    BundleCopier::copy(bundle.string(), (folder.path() / "Copy.app").string());
    EXPECT_TRUE(fs::is_symlink(folder.path() / "Copy.app/Contents/Resources/current"));
    bundle = folder.path() / "Copy.app";
    EXPECT_EQ(verifyError(), "");
}

TEST_F(SignedBundleTest, AnyChangeAfterSigningIsRefused) {
    const std::string prefix = "the download is not signed by Quillmarsh: ";
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> change;
        std::string expected;
    };
    const Case cases[] = {
        {"added file", [](const fs::path& b) { writeText(b / "Contents/Resources/extra", "x"); },
         prefix + "a file was added after signing: Contents/Resources/extra"},
        {"added folder", [](const fs::path& b) { fs::create_directory(b / "Contents/Plugins"); },
         prefix + "a file was added after signing: Contents/Plugins"},
        {"changed file", [](const fs::path& b) { writeText(b / "Contents/Resources/notes.txt", "Notes\n"); },
         prefix + "a file was changed after signing: Contents/Resources/notes.txt"},
        {"changed mode", [](const fs::path& b) { fs::permissions(b / "Contents/Resources/notes.txt", fs::perms(0666)); },
         prefix + "a file was changed after signing: Contents/Resources/notes.txt"},
        {"changed link",
         [](const fs::path& b) {
             fs::remove(b / "Contents/Resources/current");
             fs::create_symlink("../Info.plist", b / "Contents/Resources/current");
         },
         prefix + "a file was changed after signing: Contents/Resources/current"},
        {"missing file", [](const fs::path& b) { fs::remove(b / "Contents/Resources/notes.txt"); },
         prefix + "a signed file is missing: Contents/Resources/notes.txt"},
        {"unsigned", [](const fs::path& b) { fs::remove_all(b / "Contents/_CodeSignature"); },
         prefix + "the bundle is not signed"},
        {"manifest edited",
         [](const fs::path& b) {
             auto path = b / "Contents/_CodeSignature/CodeResources";
             std::string text = readText(path);
             text.replace(text.find("org.quillmarsh.app"), 18, "org.quillmarsh.apq");
             writeText(path, text);
         },
         prefix + "the signature does not match the bundle's manifest"},
        {"signature garbage", [](const fs::path& b) { writeText(b / "Contents/_CodeSignature/CodeSignature", "junk"); },
         prefix + "the signature cannot be read"},
    };
    for (const auto& c : cases) {
        fs::remove_all(bundle);
        makeSigned();
        c.change(bundle);
        EXPECT_EQ(verifyError(), c.expected) << c.what;
    }
}

// The manifest leaves out the bundle's own folder and the signature folder, so both are checked
// on their own: neither may be writable by other users, and the signature folder may hold the
// two signature files only, as files.
TEST_F(SignedBundleTest, TheBundleFolderAndTheSignatureFolderCannotBeUsedToSlipPastIt) {
    const std::string prefix = "the download is not signed by Quillmarsh: ";
    const fs::path signature = "Contents/_CodeSignature";
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> change;
        std::string expected;
    };
    const Case cases[] = {
        {"bundle folder open to all", [](const fs::path& b) { fs::permissions(b, fs::perms(0777)); },
         prefix + "the bundle's folder can be changed by other users (mode 0777)"},
        {"bundle folder open to its group", [](const fs::path& b) { fs::permissions(b, fs::perms(0775)); },
         prefix + "the bundle's folder can be changed by other users (mode 0775)"},
        {"extra file", [&](const fs::path& b) { writeText(b / signature / "Payload", "x", fs::perms(0755)); },
         prefix + "a file was added after signing: Contents/_CodeSignature/Payload"},
        {"extra folder", [&](const fs::path& b) { fs::create_directory(b / signature / "Frameworks"); },
         prefix + "a file was added after signing: Contents/_CodeSignature/Frameworks"},
        {"folder is a link",
         [&](const fs::path& b) {
             fs::rename(b / signature, b.parent_path() / "elsewhere");
             fs::create_directory_symlink(b.parent_path() / "elsewhere", b / signature);
         },
         prefix + "Contents/_CodeSignature is not a folder"},
        {"folder open to all", [&](const fs::path& b) { fs::permissions(b / signature, fs::perms(0777)); },
         prefix + "Contents/_CodeSignature can be changed by other users"},
        {"manifest is a link",
         [&](const fs::path& b) {
             fs::rename(b / signature / "CodeResources", b.parent_path() / "CodeResources");
             fs::create_symlink(b.parent_path() / "CodeResources", b / signature / "CodeResources");
         },
         prefix + "Contents/_CodeSignature/CodeResources is not a regular file"},
        {"signature open to all",
         [&](const fs::path& b) { fs::permissions(b / signature / "CodeSignature", fs::perms(0666)); },
         prefix + "Contents/_CodeSignature/CodeSignature can be changed by other users"},
    };
    for (const auto& c : cases) {
        if (fs::exists(bundle))
            fs::permissions(bundle, fs::perms(0755));
        fs::remove_all(folder.path() / "elsewhere");
        fs::remove_all(folder.path() / "CodeResources");
        fs::remove_all(bundle);
        makeSigned();
        ASSERT_EQ(verifyError(), "") << c.what;
        c.change(bundle);
        EXPECT_EQ(verifyError(), c.expected) << c.what;
    }
}

// Signed under any umask, the bundle gets the modes the check accepts.
TEST_F(SignedBundleTest, SigningLeavesNothingWritableByOthers) {
    const mode_t previous = ::umask(0);
    makeBundle(bundle, "2.0.0");
    signBundle(bundle, *certs, certs->leaf(std::string(AppUpdate::teamID)));
    ::umask(previous);
    EXPECT_EQ(fs::status(bundle).permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(bundle / "Contents/_CodeSignature").permissions(), fs::perms(0755));
    EXPECT_EQ(fs::status(bundle / "Contents/_CodeSignature/CodeResources").permissions(), fs::perms(0644));
    EXPECT_EQ(fs::status(bundle / "Contents/_CodeSignature/CodeSignature").permissions(), fs::perms(0644));
    EXPECT_EQ(verifyError(), "");
}

TEST_F(SignedBundleTest, TheRequirementNamesTeamMarkersAnchorAndIdentifier) {
    const std::string notOurs = "the download is not signed by Quillmarsh: it is not a Developer ID signature by team "
                                "Q4M7R2S9H1 for org.quillmarsh.app";
    makeSigned("OTHERTEAM1");
    EXPECT_EQ(verifyError(), notOurs);

    fs::remove_all(bundle);
    makeBundle(bundle, "2.0.0");
    signBundle(bundle, *certs, certs->leaf(std::string(AppUpdate::teamID), /*marker=*/false));
    EXPECT_EQ(verifyError(), notOurs);

    fs::remove_all(bundle);
    makeSigned();
    EXPECT_THROW(AppUpdater::verify(bundle.string(), "2.0.0", anchorsOf(*otherRoot)), AppUpdater::UpdateError);
    EXPECT_THROW(AppUpdater::verify(bundle.string(), "2.0.0", TrustAnchors{}), AppUpdater::UpdateError);

    // Signed under another identifier.
    fs::remove_all(bundle);
    makeBundle(bundle, "2.0.0", std::string(QUILLMARSH_BIN_DIR) + "/update-marker", "org.example.other");
    signBundle(bundle, *certs, certs->leaf(std::string(AppUpdate::teamID)));
    EXPECT_EQ(verifyError(), notOurs);

    EXPECT_EQ(CodeSignature::compileRequirement("identifier \"a\" or anchor apple"), CodeSignature::badRequirement);
    EXPECT_EQ(CodeSignature::compileRequirement(AppUpdate::signingRequirement("T", "i")), CodeSignature::ok);
}

TEST_F(SignedBundleTest, VersionAndPathAreCheckedFirst) {
    makeSigned();
    EXPECT_EQ(verifyError("2.0.1"), "the download says it is not version 2.0.1");
    bundle = folder.path() / "Missing.app";
    EXPECT_EQ(verifyError(), "the download says it is not version 2.0.0");
    // A folder without Contents cannot be a signed bundle, even with a version file elsewhere.
    EXPECT_EQ(CodeSignature::openStatic((folder.path() / "Missing.app").string()), CodeSignature::notABundle);
}

TEST_F(SignedBundleTest, GatekeeperAcceptsOnlyAnExecutableElfOfThisMachine) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> change;
        std::string expected;
    };
    const Case cases[] = {
        {"script", [](const fs::path& exe) { writeText(exe, "#!/bin/sh\necho hi\n", fs::perms(0755)); },
         "Contents/MacOS/Quillmarsh is not an ELF program"},
        {"not executable", [](const fs::path& exe) { fs::permissions(exe, fs::perms(0644)); },
         "Contents/MacOS/Quillmarsh is not executable"},
        {"link",
         [](const fs::path& exe) {
             fs::rename(exe, exe.parent_path() / "Real");
             fs::create_symlink("Real", exe);
         },
         "Contents/MacOS/Quillmarsh is not a regular file"},
        {"other machine",
         [](const fs::path& exe) {
             std::string bytes = readText(exe);
             bytes[18] = static_cast<char>(bytes[18] == 62 ? 183 : 62);  // EM_AARCH64 <-> EM_X86_64
             bytes[19] = 0;
             writeText(exe, bytes, fs::perms(0755));
         },
         "Contents/MacOS/Quillmarsh is not built for"},
    };
    for (const auto& c : cases) {
        fs::remove_all(bundle);
        makeBundle(bundle, "2.0.0");
        EXPECT_EQ(Gatekeeper::assess(bundle.string()), std::nullopt);
        c.change(bundle / "Contents/MacOS/Quillmarsh");
        auto refusal = Gatekeeper::assess(bundle.string());
        ASSERT_TRUE(refusal) << c.what;
        EXPECT_TRUE(refusal->starts_with(c.expected)) << *refusal;
        // Signed as it is, the bundle passes every signature check and still fails here.
        signBundle(bundle, *certs, certs->leaf(std::string(AppUpdate::teamID)));
        EXPECT_EQ(verifyError(), "Gatekeeper does not accept the download: " + *refusal) << c.what;
    }
}
