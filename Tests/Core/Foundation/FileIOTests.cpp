#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Support/Fifo.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace quillmarsh;
using test::Fifo;
using test::TempFolder;

TEST(FileIO, ReadFileGivesTheWholeFileUpToItsBound) {
    TempFolder folder;
    const std::string big(200 * 1024 + 7, 'x');  // more than one read's buffer
    const auto path = folder.write("big", big).string();

    EXPECT_EQ(FileIO::readFile(path, big.size()), big);
    errno = 0;
    EXPECT_EQ(FileIO::readFile(path, big.size() - 1), std::nullopt);
    EXPECT_EQ(errno, EFBIG);
    EXPECT_EQ(FileIO::readFile(folder.write("empty", "").string(), 0), "");

    errno = 0;
    EXPECT_EQ(FileIO::readFile((folder / "missing").string(), 10), std::nullopt);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(FileIO::readFile(folder.string(), 10), std::nullopt);
    EXPECT_EQ(errno, EISDIR);
}

TEST(FileIO, ReadRegularFileTakesOnlyARegularFileWithinItsBound) {
    TempFolder folder;
    const std::string text(100 * 1024 + 3, 'r');  // more than one read's buffer
    const auto path = folder.write("file", text).string();
    EXPECT_EQ(FileIO::readRegularFile(path, text.size()), text);
    EXPECT_EQ(FileIO::readRegularFile(folder.write("empty", "").string(), 0), "");
    ASSERT_EQ(::symlink(path.c_str(), (folder / "link").c_str()), 0);
    EXPECT_EQ(FileIO::readRegularFile((folder / "link").string(), text.size()), text) << "links are followed";

    // Refused on the size the file system gives.
    errno = 0;
    EXPECT_EQ(FileIO::readRegularFile(path, text.size() - 1), std::nullopt);
    EXPECT_EQ(errno, EFBIG);

    // A file whose size says less than it holds (procfs says 0) still stops at the bound.
    const auto status = FileIO::readRegularFile("/proc/self/status", 1 << 20);
    ASSERT_TRUE(status.has_value());
    ASSERT_GT(status->size(), 16u);
    errno = 0;
    EXPECT_EQ(FileIO::readRegularFile("/proc/self/status", 16), std::nullopt);
    EXPECT_EQ(errno, EFBIG);

    errno = 0;
    EXPECT_EQ(FileIO::readRegularFile(folder.string(), 1 << 20), std::nullopt);
    EXPECT_EQ(errno, EINVAL) << "a folder";
    errno = 0;
    EXPECT_EQ(FileIO::readRegularFile("/dev/null", 1 << 20), std::nullopt);
    EXPECT_EQ(errno, EINVAL) << "a device";
    errno = 0;
    EXPECT_EQ(FileIO::readRegularFile((folder / "missing").string(), 10), std::nullopt);
    EXPECT_EQ(errno, ENOENT);
}

TEST(FileIO, ReadRegularFileDoesNotWaitForAFifosWriter) {
    TempFolder folder;
    const Fifo fifo((folder / "fifo").string());
    errno = 0;
    EXPECT_EQ(FileIO::readRegularFile(fifo.path(), 1 << 20), std::nullopt);
    EXPECT_EQ(errno, EINVAL);
}

TEST(FileIO, ReadRegularFileInFollowsNoLinkBelowItsFolder) {
    TempFolder folder;
    const auto tree = folder.mkdir("tree");
    folder.write("tree/Contents/Info.plist", "plist");
    folder.write("outside", "outside");
    ASSERT_EQ(::symlink("tree", (folder / "alias").c_str()), 0);
    ASSERT_EQ(::symlink("../../outside", (folder / "tree/Contents/Linked").c_str()), 0);
    ASSERT_EQ(::symlink("Contents", (folder / "tree/Inner").c_str()), 0);
    const Fifo fifo((folder / "tree/Contents/Fifo").string());
    struct Case {
        std::string folder, relative;
        std::optional<std::string> text;
        int error;
    };
    const Case cases[] = {
        {tree.string(), "Contents/Info.plist", "plist", 0},
        {(folder / "alias").string(), "Contents/Info.plist", "plist", 0},  // the folder may be a link
        {tree.string(), "Contents//./Info.plist", "plist", 0},
        {tree.string(), "Contents/Linked", std::nullopt, ELOOP},           // the file a link
        {tree.string(), "Inner/Info.plist", std::nullopt, ENOTDIR},        // a link on the way (O_NOFOLLOW|O_DIRECTORY)
        {tree.string(), "Contents/Fifo", std::nullopt, EINVAL},
        {tree.string(), "Contents/../../outside", std::nullopt, EINVAL},  // never up and out
        {tree.string(), "Contents", std::nullopt, EINVAL},
        {tree.string(), "Contents/Missing", std::nullopt, ENOENT},
    };
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_EQ(FileIO::readRegularFileIn(c.folder, c.relative, 1 << 20), c.text) << c.relative;
        if (!c.text) {
            EXPECT_EQ(errno, c.error) << c.relative << ": " << std::strerror(errno);
        }
    }
    errno = 0;
    EXPECT_EQ(FileIO::readRegularFileIn(tree.string(), "Contents/Info.plist", 4), std::nullopt);
    EXPECT_EQ(errno, EFBIG);
}

TEST(FileIO, ExistsFollowsLinks) {
    TempFolder folder;
    const auto file = folder.write("file", "x");
    ASSERT_EQ(::symlink(file.c_str(), (folder / "good").c_str()), 0);
    ASSERT_EQ(::symlink((folder / "nothing").c_str(), (folder / "dangling").c_str()), 0);
    EXPECT_TRUE(FileIO::exists(file.string()));
    EXPECT_TRUE(FileIO::exists(folder.string()));
    EXPECT_TRUE(FileIO::exists((folder / "good").string()));
    EXPECT_FALSE(FileIO::exists((folder / "dangling").string()));
    EXPECT_FALSE(FileIO::exists((folder / "nothing").string()));
}

TEST(FileIO, WritesEveryByteAndReportsAPeerThatHasGone) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    UniqueFd a(pair[0]), b(pair[1]);
    // More than the socket buffer holds, so the writes come in several parts while the other end reads.
    const std::string bytes(4 << 20, 'q');
    std::optional<std::string> got;
    std::thread reader([&] { got = FileIO::readAll(b.get(), bytes.size()); });
    EXPECT_TRUE(FileIO::writeAll(a.get(), bytes.substr(0, bytes.size() / 2)));
    EXPECT_TRUE(FileIO::sendAll(a.get(), bytes.substr(bytes.size() / 2)));
    a.reset();
    reader.join();
    EXPECT_EQ(got, bytes);

    // The reader is gone: sendAll fails with EPIPE instead of raising SIGPIPE.
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    a.reset(pair[0]);
    ::close(pair[1]);
    errno = 0;
    EXPECT_FALSE(FileIO::sendAll(a.get(), "lost"));
    EXPECT_EQ(errno, EPIPE);
    EXPECT_TRUE(FileIO::sendAll(a.get(), ""));
}
