#include "Foundation/FileIO.h"
#include "Platform/TreeRemoval.h"
#include "Support/OrdinaryUser.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillmarsh;
namespace fs = std::filesystem;
using quillmarsh::test::asOrdinaryUser;
using quillmarsh::test::TempFolder;

// Run as an ordinary user: root ignores the folder modes that this is about.
TEST(TreeRemovalTest, RemovesClosedAndReadOnlyFoldersButNothingALinkPointsAt) {
    if (!asOrdinaryUser())
        return;
    TempFolder folder;
    const fs::path tree = folder.path() / "tree";
    folder.write("outside/keep.txt", "keep");
    folder.write("tree/locked/inner/file", "x");
    folder.write("tree/closed/file", "x");
    fs::create_directory_symlink(folder.path() / "outside", tree / "locked/inner/link");
    fs::permissions(tree / "locked/inner", fs::perms(0500));
    fs::permissions(tree / "locked", fs::perms(0500));
    fs::permissions(tree / "closed", fs::perms(0000));

    EXPECT_TRUE(TreeRemoval::remove(tree.string() + "/"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tree)));
    EXPECT_EQ(FileIO::readFile((folder / "outside/keep.txt").string(), 100), "keep");
    EXPECT_TRUE(TreeRemoval::remove(tree.string())) << "nothing there is nothing left";

    const fs::path link = folder.path() / "link";
    fs::create_directory_symlink(folder.path() / "outside", link);
    EXPECT_TRUE(TreeRemoval::remove(link.string()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_EQ(FileIO::readFile((folder / "outside/keep.txt").string(), 100), "keep");

    EXPECT_FALSE(TreeRemoval::remove(""));
    EXPECT_FALSE(TreeRemoval::remove("/"));
}
