#include "Clone.h"
#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "Support/Fifo.h"
#include "Support/TempFolder.h"
#include "VZ/ToolProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using quillmarsh::FileIO;
using quillmarsh::UniqueFd;
using quillmarsh::Clone::cloneFile;

namespace {

class CloneTest : public quillmarsh::test::TempFolderTest {
protected:
    std::string path(const std::string& name) const { return (root / name).string(); }
    void write(const std::string& name, const std::string& text) const { root.write(name, text); }
    std::string read(const std::string& name) const { return FileIO::readFile(path(name), 1 << 20).value_or(std::string()); }

    // Whether this folder's file system shares extents (FICLONE works here).
    bool supportsReflinks() const {
        write("probe-a", "probe");
        bool works = false;
        {
            const UniqueFd from(::open(path("probe-a").c_str(), O_RDONLY | O_CLOEXEC));
            const UniqueFd to(::open(path("probe-b").c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
            works = from && to && ::ioctl(to.get(), FICLONE, from.get()) == 0;
        }
        fs::remove(path("probe-a"));
        fs::remove(path("probe-b"));
        return works;
    }
};

TEST_F(CloneTest, FailuresReportTheirErrnoAndKeepWhatWasThere) {
    // A missing source creates nothing.
    EXPECT_EQ(cloneFile(path("missing"), path("copy")), ENOENT);
    EXPECT_FALSE(fs::exists(path("copy")));

    // An existing destination is never touched, let alone removed.
    write("image", "image bytes");
    write("taken", "keep me");
    EXPECT_EQ(cloneFile(path("image"), path("taken")), EEXIST);
    EXPECT_EQ(read("taken"), "keep me");

    // A destination in a missing folder.
    EXPECT_EQ(cloneFile(path("image"), path("nowhere/copy")), ENOENT);

    // A FIFO as the image is refused at once, without waiting for a writer, and creates nothing.
    const quillmarsh::test::Fifo fifo(path("fifo"));
    EXPECT_EQ(cloneFile(path("fifo"), path("copy")), EINVAL);
    EXPECT_FALSE(fs::exists(path("copy")));

    // A file system without shared extents: the destination this call created is gone again.
    if (!supportsReflinks()) {
        const int error = cloneFile(path("image"), path("copy"));
        EXPECT_TRUE(error == EOPNOTSUPP || error == EXDEV || error == EINVAL) << error;
        EXPECT_FALSE(fs::exists(path("copy")));
    }
    EXPECT_EQ(read("image"), "image bytes");
}

TEST_F(CloneTest, ClonesThroughTheToolWhereReflinksWork) {
    if (!supportsReflinks()) {
        GTEST_SKIP() << "the temporary folder's file system (" << root.path() << ") does not support reflinks";
    }
    write("image", "disk image contents");
    ::chmod(path("image").c_str(), 0640);
    const std::string destination = path("job/copy.img");
    root.mkdir("job");
    const auto outcome = quillmarsh::test::runTool({"clone", "--to", destination, "--from", path("image")});
    std::string escaped;
    for (char c : destination) escaped += c == '/' ? std::string("\\/") : std::string(1, c);
    EXPECT_EQ(outcome.out, "{\"path\":\"" + escaped + "\",\"status\":\"ok\"}\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(read("job/copy.img"), "disk image contents");
    EXPECT_EQ(fs::status(destination).permissions() & fs::perms::all, fs::perms(0640));
}

} // namespace
