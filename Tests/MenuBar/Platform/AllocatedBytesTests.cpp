#include "Platform/AllocatedBytes.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmarsh {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::int64_t allocated(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return static_cast<std::int64_t>(info.st_blocks) * 512;
}

TEST(AllocatedBytes, MissingFolderGivesNoneAndEmptyFolderZero) {
    TempFolder tmp;
    EXPECT_EQ(AllocatedBytes::under(tmp / "absent"), std::nullopt);
    EXPECT_EQ(AllocatedBytes::under(tmp.write("file", "x")), std::nullopt);
    EXPECT_EQ(AllocatedBytes::under(tmp.mkdir("empty")), 0);
}

TEST(AllocatedBytes, CountsNestedRegularFilesButNotHiddenEntriesOrLinks) {
    TempFolder tmp;
    const std::string big(100'000, 'b');
    const std::string a = tmp.write("images/a.img", big);
    const std::string b = tmp.write("images/macos/disk/b.img", big + big);
    tmp.write("images/.hidden", big);
    tmp.write("images/.cache/inside", big);
    tmp.write("outside/c.img", big + big + big);
    fs::create_symlink(tmp / "outside/c.img", tmp / "images/link.img");
    fs::create_directory_symlink(tmp / "outside", tmp / "images/linked-folder");

    const std::int64_t expected = allocated(a) + allocated(b);
    ASSERT_GT(expected, 0);
    EXPECT_EQ(AllocatedBytes::under(tmp / "images"), expected);
}

TEST(AllocatedBytes, SkipsWhatItCannotRead) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    TempFolder tmp;
    const std::string a = tmp.write("images/a.img", std::string(50'000, 'a'));
    tmp.write("images/locked/b.img", std::string(50'000, 'b'));
    chmod((tmp / "images/locked").c_str(), 0);
    EXPECT_EQ(AllocatedBytes::under(tmp / "images"), allocated(a));
    chmod((tmp / "images/locked").c_str(), 0755);
}

} // namespace
} // namespace quillmarsh
