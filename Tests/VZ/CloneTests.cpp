#include "Clone.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using quillmarsh::Clone::cloneFile;

namespace {

class CloneTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vz-clone-test-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    void write(const std::string& name, const std::string& text) const { std::ofstream(folder_ / name) << text; }
    std::string read(const std::string& name) const {
        std::ifstream in(folder_ / name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Whether this folder's file system shares extents (FICLONE works here).
    bool supportsReflinks() const {
        write("probe-a", "probe");
        const int from = ::open(path("probe-a").c_str(), O_RDONLY);
        const int to = ::open(path("probe-b").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        const bool works = from >= 0 && to >= 0 && ::ioctl(to, FICLONE, from) == 0;
        if (from >= 0) ::close(from);
        if (to >= 0) ::close(to);
        fs::remove(path("probe-a"));
        fs::remove(path("probe-b"));
        return works;
    }

    fs::path folder_;
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
        GTEST_SKIP() << "the temporary folder's file system (" << folder_ << ") does not support reflinks";
    }
    write("image", "disk image contents");
    ::chmod(path("image").c_str(), 0640);
    const std::string program = std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-vz";
    const std::string destination = path("job/copy.img");
    fs::create_directories(folder_ / "job");
    const std::string command = "'" + program + "' clone --to '" + destination + "' --from '" + path("image") + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    std::string out;
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int status = ::pclose(pipe);
    std::string escaped;
    for (char c : destination) escaped += c == '/' ? std::string("\\/") : std::string(1, c);
    EXPECT_EQ(out, "{\"path\":\"" + escaped + "\",\"status\":\"ok\"}\n");
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read("job/copy.img"), "disk image contents");
    EXPECT_EQ(fs::status(destination).permissions() & fs::perms::all, fs::perms(0640));
}

} // namespace
