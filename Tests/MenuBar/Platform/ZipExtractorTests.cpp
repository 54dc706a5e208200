#include "MenuBar/Updater/UpdateFixtures.h"
#include "Platform/ZipExtractor.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace quillmarsh;
using namespace quillmarsh::updatetest;

TEST(ZipExtractorTest, UnpacksFoldersFilesModesAndInnerLinks) {
    TempFolder folder;
    const fs::path zip = folder.path() / "a.zip";
    writeText(zip, zipBytes({{"App.app", ZipEntry::Kind::folder, "", 0755},
                             {"App.app/Contents/MacOS/tool", ZipEntry::Kind::file, "\x7f" "ELF", 0755},
                             {"App.app/Contents/Info.plist", ZipEntry::Kind::file, "plist", 0644},
                             {"App.app/Contents/Current", ZipEntry::Kind::link, "MacOS/tool", 0777},
                             {"App.app/Contents/Up", ZipEntry::Kind::link, "../Contents/Info.plist", 0777},
                             {"./App.app/Contents/Empty", ZipEntry::Kind::folder, "", 0700}}));
    const fs::path out = folder.path() / "out";
    ZipExtractor::extract(zip.string(), out.string());
    EXPECT_EQ(readText(out / "App.app/Contents/Info.plist"), "plist");
    EXPECT_EQ(fs::status(out / "App.app/Contents/MacOS/tool").permissions(), fs::perms(0755));
    EXPECT_EQ(fs::read_symlink(out / "App.app/Contents/Current"), "MacOS/tool");
    EXPECT_EQ(readText(out / "App.app/Contents/Up"), "plist");
    EXPECT_EQ(fs::status(out / "App.app/Contents/Empty").permissions(), fs::perms(0700));
}

// Folders keep only as much of their archived mode as leaves them open to their owner; the
// archived modes come back for the copy that is kept.
TEST(ZipExtractorTest, FoldersStayOpenToTheOwnerAndTheirModesAreReturned) {
    TempFolder folder;
    const fs::path zip = folder.path() / "a.zip";
    writeText(zip, zipBytes({{"App.app", ZipEntry::Kind::folder, "", 0755},
                             {"App.app/Locked", ZipEntry::Kind::folder, "", 0500},
                             {"App.app/Locked/file", ZipEntry::Kind::file, "x", 0444},
                             {"App.app/Closed/", ZipEntry::Kind::folder, "", 0000},
                             {"App.app/Implied/file", ZipEntry::Kind::file, "x", 0644}}));
    const fs::path out = folder.path() / "out";
    const FolderModes modes = ZipExtractor::extract(zip.string(), out.string());
    EXPECT_EQ(modes.byPath, (std::map<std::string, mode_t>{{"App.app", 0755}, {"App.app/Locked", 0500}, {"App.app/Closed", 0}}));
    EXPECT_EQ(modes.under("App.app").byPath, (std::map<std::string, mode_t>{{"", 0755}, {"Locked", 0500}, {"Closed", 0}}));
    EXPECT_EQ(fs::status(out / "App.app/Locked").permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(out / "App.app/Closed").permissions(), fs::perms(0700));
    EXPECT_EQ(fs::status(out / "App.app/Locked/file").permissions(), fs::perms(0444));
}

TEST(ZipExtractorTest, RefusesEverythingThatReachesOutsideTheFolder) {
    using K = ZipEntry::Kind;
    struct Case {
        const char* what;
        std::vector<ZipEntry> entries;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"dot-dot", {{"a/../../escaped", K::file, "x", 0644}}, "leaves the folder"},
        {"leading dot-dot", {{"../escaped", K::file, "x", 0644}}, "leaves the folder"},
        {"absolute", {{"/tmp/escaped", K::file, "x", 0644}}, "absolute path"},
        {"absolute link", {{"l", K::link, "/etc", 0777}}, "points outside"},
        {"link up", {{"d/l", K::link, "../../x", 0777}}, "points outside"},
        {"write through link", {{"l", K::link, "sub", 0777}, {"sub", K::folder, "", 0755}, {"l/x", K::file, "x", 0644}},
         "lies inside a file or link"},
        {"links that combine",
         {{"p", K::folder, "", 0755}, {"p/q", K::link, "..", 0777}, {"x", K::link, "p/q/..", 0777}},
         "points outside"},
        {"duplicate", {{"f", K::file, "1", 0644}, {"f", K::file, "2", 0644}}, "appears twice"},
        {"too large", {{"big", K::file, std::string(5000, 'x'), 0644}}, "more than 4096 bytes"},
        {"too deep", {{"a/b/c/d/e", K::file, "x", 0644}}, "lies more than 3 folders deep"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const fs::path zip = folder.path() / "a.zip";
        writeText(zip, zipBytes(c.entries));
        const fs::path out = folder.path() / "work/out";
        try {
            ZipExtractor::extract(zip.string(), out.string(), {4096, 100, 3});
            ADD_FAILURE() << c.what << " was unpacked";
        } catch (const ZipExtractor::Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << c.what << ": " << error.what();
            EXPECT_TRUE(std::string(error.what()).starts_with("the download cannot be unpacked: ")) << error.what();
        }
        EXPECT_FALSE(fs::exists(folder.path() / "work/escaped")) << c.what;
        EXPECT_FALSE(fs::exists(folder.path() / "escaped")) << c.what;
    }
    TempFolder folder;
    writeText(folder.path() / "not.zip", "this is not an archive");
    EXPECT_THROW(ZipExtractor::extract((folder.path() / "not.zip").string(), (folder.path() / "o").string()),
                 ZipExtractor::Error);
}
