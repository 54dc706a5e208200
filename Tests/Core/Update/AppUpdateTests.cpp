#include "Support/TempFolder.h"
#include "Update/AppUpdate.h"
#include "Update/UpdateState.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace quillmarsh;

TEST(AppUpdateTest, DecisionFollowsTheNumericVersionOrder) {
    using D = AppUpdate::Decision;
    struct Case {
        std::optional<std::string> current;
        std::optional<std::string> latest;
        D expected;
    };
    const Case cases[] = {
        {std::nullopt, "9.9.9", D::notABundle()},
        {"", "9.9.9", D::notABundle()},
        {"", std::nullopt, D::notABundle()},
        {"1.4.0", "1.4.0\n", D::upToDate()},
        {"1.4.0", "1.4.1", D::update("1.4.1")},
        {"1.4.0", "  1.10.0 \r\n", D::update("1.10.0")},
        {"1.4.0", "1.3.9", D::upToDate()},
        {"1.4.0", "1.4", D::badLatest()},
        {"1.4.0", std::nullopt, D::badLatest()},
        {"1.4.0", "1.4.0.1", D::badLatest()},
        {"1.4.0-dev", "1.4.0", D::upToDate()},
        {"1.4.0-dev", "1.4.1", D::update("1.4.1")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppUpdate::decide(c.current, c.latest), c.expected)
            << c.current.value_or("<none>") << " vs " << c.latest.value_or("<none>");
    EXPECT_TRUE(AppUpdate::isNewer("1.10.0", "1.9.9"));
    EXPECT_FALSE(AppUpdate::isNewer("1.4.0", "1.4.0-beta"));
}

TEST(AppUpdateTest, DecisionPrintedForms) {
    EXPECT_EQ(AppUpdate::Decision::update("1.4.1").printed(), "update(\"1.4.1\")");
    EXPECT_EQ(AppUpdate::Decision::notABundle().printed(), "notABundle");
    EXPECT_EQ(AppUpdate::Decision::badLatest().printed(), "badLatest");
    EXPECT_EQ(AppUpdate::Decision::upToDate().printed(), "upToDate");
}

TEST(AppUpdateTest, LatestFileNamesThreeNumericPieces) {
    struct Case {
        const char* text;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"1.2.3", "1.2.3"},
        {"1.2.3\n", "1.2.3"},
        {"\t 10.20.30 \n", "10.20.30"},
        {"\xD9\xA1.\xD9\xA2.\xD9\xA3", "\xD9\xA1.\xD9\xA2.\xD9\xA3"},  // Arabic-Indic digits
        {"1.\xC2\xBD.3", "1.\xC2\xBD.3"},                                // vulgar fraction one half
        {"1.2", std::nullopt},
        {"1.2.3.4", std::nullopt},
        {"1..3", std::nullopt},
        {"1.2.3-beta", std::nullopt},
        {"v1.2.3", std::nullopt},
        {"1.2 .3", std::nullopt},
        {"", std::nullopt},
        {"1.2.\xFF", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppUpdate::parseLatest(c.text), c.expected) << c.text;
}

TEST(AppUpdateTest, ChecksumFileNamesOneDigest) {
    const std::string digest(64, 'a');
    const std::string upper = "ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789";
    const std::string lower = "abcdef0123456789abcdef0123456789abcdef0123456789abcdef0123456789";
    EXPECT_EQ(AppUpdate::parseChecksum(digest), digest);
    EXPECT_EQ(AppUpdate::parseChecksum(upper + "  Quillmarsh-darwin-arm64.zip\n"), lower);
    EXPECT_EQ(AppUpdate::parseChecksum("\n\t" + lower + "\n"), lower);
    EXPECT_EQ(AppUpdate::parseChecksum("\xE2\x80\x83" + lower + "\xE2\x80\xA8x"), lower);  // em space, line separator
    for (const std::string& bad : {std::string(), std::string(" \n "), std::string(63, 'a'), std::string(65, 'a'),
                                   std::string(63, 'a') + "g", "sha256:" + lower})
        EXPECT_EQ(AppUpdate::parseChecksum(bad), std::nullopt) << bad;
}

TEST(AppUpdateTest, Sha256IsTheStandardDigestInLowerCaseHex) {
    EXPECT_EQ(AppUpdate::sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(AppUpdate::sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(AppUpdate::sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(AppUpdateTest, DownloadBaseTakesOnlyHttpAndHttpsURLs) {
    const std::string fallback(AppUpdate::defaultDownloads);
    struct Case {
        std::optional<std::string> value;
        std::string expected;
    };
    const Case cases[] = {
        {std::nullopt, fallback},
        {"", fallback},
        {"ftp://files.example/x", fallback},
        {"downloads.example.test", fallback},
        {"HTTPS://downloads.example.test", fallback},
        {"https://", fallback},
        {"https://bad host/x", fallback},
        {"http://127.0.0.1:8080/builds", "http://127.0.0.1:8080/builds"},
        {"https://cdn.example.test/", "https://cdn.example.test/"},
    };
    for (const auto& c : cases) {
        std::map<std::string, std::string> env{{"HOME", "/root"}};
        if (c.value)
            env["QUILLMARSH_DOWNLOADS_URL"] = *c.value;
        EXPECT_EQ(AppUpdate::downloadsBase(env), c.expected) << c.value.value_or("<unset>");
    }
}

TEST(AppUpdateTest, ServerURLsAppendPathComponentsToTheBase) {
    struct Case {
        const char* base;
        const char* latest;
        const char* zip;
    };
    const Case cases[] = {
        {"https://d.example", "https://d.example/mac/latest",
         "https://d.example/mac/v1.4.1/Quillmarsh-darwin-arm64.zip"},
        {"https://d.example/", "https://d.example/mac/latest",
         "https://d.example/mac/v1.4.1/Quillmarsh-darwin-arm64.zip"},
        {"http://127.0.0.1:81/builds", "http://127.0.0.1:81/builds/mac/latest",
         "http://127.0.0.1:81/builds/mac/v1.4.1/Quillmarsh-darwin-arm64.zip"},
        {"http://h.example/builds/?k=1", "http://h.example/builds/mac/latest?k=1",
         "http://h.example/builds/mac/v1.4.1/Quillmarsh-darwin-arm64.zip?k=1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AppUpdate::latestURL(c.base), c.latest);
        EXPECT_EQ(AppUpdate::zipURL("1.4.1", c.base), c.zip);
        EXPECT_EQ(AppUpdate::checksumURL("1.4.1", c.base), std::string(c.zip).insert(
                      std::string(c.zip).find(".zip") + 4, ".sha256"));
    }
    EXPECT_EQ(AppUpdate::downloadURL("https://d.example/b"), "https://d.example/b/mac/Quillmarsh-darwin-arm64.zip");
    EXPECT_EQ(AppUpdate::lastPathComponent("http://h/b/mac/latest"), "latest");
    EXPECT_EQ(AppUpdate::lastPathComponent(AppUpdate::checksumURL("1.0.0", "http://h")),
              "Quillmarsh-darwin-arm64.zip.sha256");
}

TEST(AppUpdateTest, SigningRequirementNamesIdentifierAnchorMarkersAndTeam) {
    EXPECT_EQ(AppUpdate::signingRequirement("Q4M7R2S9H1", "org.quillmarsh.app"),
              "identifier \"org.quillmarsh.app\" and anchor apple generic and "
              "certificate 1[field.1.2.840.113635.100.6.2.6] /* exists */ and "
              "certificate leaf[field.1.2.840.113635.100.6.1.13] /* exists */ and "
              "certificate leaf[subject.OU] = \"Q4M7R2S9H1\"");
}

TEST(AppUpdateTest, SelfUpdateBlockerReasonsInOrder) {
    const std::string outside = "This build runs outside an app bundle.";
    const std::string otherUser = "This copy was installed by another user, so it cannot replace itself.";
    std::vector<std::string> asked;
    auto writableExcept = [&](std::set<std::string> readOnly) {
        return [&asked, readOnly](const std::string& path) {
            asked.push_back(path);
            return !readOnly.contains(path);
        };
    };
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("", writableExcept({})), outside);
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("/opt/quillmarsh/bin/Quillmarsh", writableExcept({})), outside);
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("/Applications/Quillmarsh.app/", writableExcept({})), outside);
    auto translocated = AppUpdate::selfUpdateBlocker(
        "/private/var/folders/x/AppTranslocation/ABC/d/Quillmarsh.app", writableExcept({}));
    ASSERT_TRUE(translocated);
    EXPECT_TRUE(translocated->starts_with("macOS runs this copy from a read-only place")) << *translocated;
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("/Applications/Quillmarsh.app", writableExcept({"/Applications"})),
              otherUser);
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("/Applications/Quillmarsh.app",
                                           writableExcept({"/Applications/Quillmarsh.app"})),
              otherUser);
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("/Quillmarsh.app", writableExcept({"/"})), otherUser);
    EXPECT_EQ(AppUpdate::selfUpdateBlocker("/Applications/Quillmarsh.app", writableExcept({})), std::nullopt);
}

TEST(AppUpdateTest, StagingFoldersLieBesideTheBundle) {
    EXPECT_EQ(AppUpdate::stagingPath("/Applications/Quillmarsh.app", "1A2B3C4D"),
              "/Applications/.Quillmarsh.app.update-1A2B3C4D");
    EXPECT_EQ(AppUpdate::stagingPath("/Quillmarsh.app", "T"), "/.Quillmarsh.app.update-T");
    EXPECT_EQ(AppUpdate::staleStagingNames({"Quillmarsh.app", ".Quillmarsh.app.update-B", ".Quillmarsh.app.update",
                                            "x.Quillmarsh.app.update-C", ".Quillmarsh.app.update-A"}),
              (std::vector<std::string>{".Quillmarsh.app.update-B", ".Quillmarsh.app.update-A"}));
}

TEST(AppUpdateTest, WorkFolderNamesAreTheIdentifierAndAnUpperCaseUUID) {
    const std::string uuid = "0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0";
    const std::string id(AppUpdate::bundleIdentifier);
    EXPECT_EQ(AppUpdate::workFolderName(uuid), id + ".update-" + uuid);
    struct Case {
        std::string name;
        bool ours;
    };
    const Case cases[] = {
        {id + ".update-" + uuid, true},
        {id + ".update-" + uuid + ".new", false},
        {id + ".update-" + uuid.substr(1), false},
        {id + ".update-0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", false},
        {id + ".update-0F1E2D3C+4B5A-6978-8796-A5B4C3D2E1F0", false},
        {id + ".update-0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1FG", false},
        {"org.example.other.update-" + uuid, false},
        {id + ".update-", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppUpdate::isWorkFolderName(c.name), c.ours) << c.name;
}

TEST(AppUpdateTest, UnattendedInstallOnlyWhenReadyAndQuiet) {
    for (const auto& state : {UpdateState::idle(), UpdateState::checking(), UpdateState::downloading("2.0.0"),
                              UpdateState::installing("2.0.0"), UpdateState::manual("2.0.0", "r"),
                              UpdateState::failed("2.0.0", "r")}) {
        EXPECT_FALSE(AppUpdate::shouldInstallUnattended(state, true));
        EXPECT_FALSE(AppUpdate::shouldInstallUnattended(state, false));
    }
    EXPECT_TRUE(AppUpdate::shouldInstallUnattended(UpdateState::ready("2.0.0"), true));
    EXPECT_FALSE(AppUpdate::shouldInstallUnattended(UpdateState::ready("2.0.0"), false));
}

TEST(AppUpdateTest, RelaunchLineIsConstantAndCarriesValuesOnlyInVariables) {
    const std::string line(AppUpdate::relaunchScript);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find("\"$QM_PID\""), std::string::npos);
    EXPECT_NE(line.find("exec \"$QM_APP/Contents/MacOS/Quillmarsh\""), std::string::npos);
}

namespace {

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

} // namespace

TEST(AppUpdateTest, BundleVersionReadsTheInfoPlistAndNeverThrows) {
    const test::TempFolder folder;
    folder.mkdir("Q.app/Contents");
    const std::string app = (folder / "Q.app").string();
    // Writes the bundle's Info.plist; gives the bundle's path.
    const auto write = [&](const std::string& text) {
        folder.write("Q.app/Contents/Info.plist", text);
        return app;
    };
    EXPECT_EQ(AppUpdate::bundleVersion(app), std::nullopt);  // no file
    struct Case {
        std::string text;
        std::optional<std::string> version;
    };
    const Case cases[] = {
        {plist("<dict><key>CFBundleIdentifier</key><string>org.quillmarsh.app</string>"
               "<key>CFBundleShortVersionString</key><string>1.4.0</string></dict>"),
         "1.4.0"},
        {plist("<dict>\n  <!-- a note -->\n  <key>LSUIElement</key><true/>\n  <key>Numbers</key>"
               "<array><integer>1</integer><dict><key>x</key><string>y</string></dict></array>\n"
               "  <key>CFBundleShortVersionString</key><string>2.&#48;.0 &amp; up</string>\n</dict>"),
         "2.0.0 & up"},
        {plist("<dict><key>CFBundleShortVersionString</key><integer>1</integer></dict>"), std::nullopt},
        {plist("<array><string>1.4.0</string></array>"), std::nullopt},
        {plist("<dict><key>CFBundleShortVersionString</key><string>1.4.0</dict>"), std::nullopt},
        {plist("<dict><key>CFBundleShortVersionString</key><string>1.4.0</string></dict>") + "<x/>", std::nullopt},
        {"bplist00\x01\x02", std::nullopt},
        {"", std::nullopt},
        {"{\"CFBundleShortVersionString\":\"1.4.0\"}", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AppUpdate::bundleVersion(write(c.text)), c.version) << c.text;
    write(plist("<dict><key>CFBundleIdentifier</key><string>org.quillmarsh.app</string></dict>"));
    EXPECT_EQ(AppUpdate::bundleIdentifierAt(app), "org.quillmarsh.app");
}
