#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "ReportListener.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <sys/stat.h>

#include <unistd.h>

namespace fs = std::filesystem;
using quillmarsh::FileIO;
using quillmarsh::ReportListener;
using quillmarsh::UniqueFd;

TEST(ReportListener, NameRuleHoldsForTheWholeName) {
    struct Case {
        std::string name;
        bool valid;
    };
    for (const auto& c : std::vector<Case>{{"log.txt", true}, {"A-b_c.9", true}, {std::string(64, 'a'), true},
                                           {std::string(65, 'a'), false}, {"", false}, {".x", false}, {"..", false},
                                           {"a/b", false}, {"n\r", false}, {"n\n", false}, {"caf\xc3\xa9", false}, {"a b", false}})
        EXPECT_EQ(ReportListener::isValidName(c.name), c.valid) << c.name;
}

// What stood under the report's name before, and what must become of it.
TEST(ReportListener, AReportReplacesWhateverHadItsNameAndNeverWritesThroughIt) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& target, const fs::path& outside)> plant;
        bool written;
    };
    const std::vector<Case> cases = {
        {"nothing", [](const fs::path&, const fs::path&) {}, true},
        {"an earlier report", [](const fs::path& t, const fs::path&) { std::ofstream(t, std::ios::binary) << "an earlier, longer report"; }, true},
        {"a symbolic link", [](const fs::path& t, const fs::path& o) { fs::create_symlink(o, t); }, true},
        {"a hard link", [](const fs::path& t, const fs::path& o) { fs::create_hard_link(o, t); }, true},
        {"a FIFO", [](const fs::path& t, const fs::path&) { ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0); }, true},
        {"a folder", [](const fs::path& t, const fs::path&) { fs::create_directory(t); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        quillmarsh::test::TempFolder dir("qm-report");
        dir.mkdir("reports");
        dir.write("outside", "keep");
        c.plant(dir / "reports/r", dir / "outside");
        const UniqueFd folder = ReportListener::openFolder((dir / "reports").string());
        ASSERT_TRUE(folder);
        EXPECT_EQ(ReportListener::writeReport(folder.get(), "r", std::string("new\0", 4)), c.written);
        if (c.written) {
            EXPECT_EQ(FileIO::readRegularFile((dir / "reports/r").string(), 64), std::string("new\0", 4));
        }
        EXPECT_EQ(FileIO::readFile((dir / "outside").string(), 64), "keep");
        // Nothing but the report itself is left in the folder: no temporary file.
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"outside", "reports", "reports/r"}));
    }
}

TEST(ReportListener, TheFolderIsOpenedOnceAndNeverThroughALink) {
    quillmarsh::test::TempFolder dir("qm-report");
    dir.mkdir("reports");
    dir.mkdir("elsewhere");
    fs::create_symlink(dir / "reports", dir / "link");
    EXPECT_FALSE(ReportListener::openFolder((dir / "link").string()));
    EXPECT_FALSE(ReportListener::openFolder((dir / "missing").string()));
    EXPECT_FALSE(ReportListener::writeReport(-1, "r", "x"));

    // Once open, the folder stays the one written to, whatever its path names later.
    const UniqueFd folder = ReportListener::openFolder((dir / "reports").string());
    fs::rename(dir / "reports", dir / "moved");
    fs::create_symlink(dir / "elsewhere", dir / "reports");
    EXPECT_TRUE(ReportListener::writeReport(folder.get(), "r", "x"));
    EXPECT_TRUE(fs::exists(dir / "moved/r"));
    EXPECT_FALSE(fs::exists(dir / "elsewhere/r"));
}

#include "Virtualization/VirtioSocketConnection.h"
#include "Virtualization/VirtioSocketDevice.h"

#include <deque>
#include <thread>
#include <mutex>
#include <sys/socket.h>

namespace {

// Blocks posted by the background reads, run when the test says so.
struct PostedBlocks {
    std::mutex mutex;
    std::deque<std::function<void()>> blocks;
    quillmarsh::EventLoop::Poster poster() {
        return [this](std::function<void()> block) {
            std::lock_guard lock(mutex);
            blocks.push_back(std::move(block));
        };
    }
    // Waits for `count` blocks and runs them.
    void run(std::size_t count) {
        for (int i = 0; i < 10000; ++i) {
            {
                std::lock_guard lock(mutex);
                if (blocks.size() >= count) break;
            }
            ::usleep(1000);
        }
        std::deque<std::function<void()>> taken;
        {
            std::lock_guard lock(mutex);
            taken.swap(blocks);
        }
        for (auto& block : taken) block();
    }
};

// A guest connection to port 1025: the guest's end, none when refused.
UniqueFd connect(vz::VirtioSocketDevice& device) {
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    UniqueFd guestEnd(pair[0]);
    if (!device.connectionArrived(std::make_shared<vz::VirtioSocketConnection>(pair[1], 7, 1025))) guestEnd.reset();
    return guestEnd;
}

} // namespace

TEST(ReportListener, ReadsAtMostSixteenConnectionsAtOnceAndCapsEachOne) {
    quillmarsh::test::TempFolder dir("qm-report-limit");
    PostedBlocks posted;
    auto reports = std::make_shared<ReportListener>(ReportListener::openFolder(dir.string()), posted.poster());
    vz::VirtioSocketDevice device;
    auto listener = std::make_shared<vz::VirtioSocketListener>();
    listener->delegate = reports;
    device.setSocketListener(listener, 1025);

    std::vector<UniqueFd> open;
    for (int i = 0; i < 16; ++i) {
        open.push_back(connect(device));
        ASSERT_TRUE(open.back()) << i;
    }
    EXPECT_FALSE(connect(device)); // a seventeenth while sixteen are read: refused
    std::string head = "r0\n";
    ASSERT_EQ(::write(open[0].get(), head.data(), head.size()), ssize_t(head.size()));
    open[0].reset();
    posted.run(1);
    EXPECT_TRUE(fs::exists(dir / "r0"));
    UniqueFd again = connect(device); // room again
    ASSERT_TRUE(again);

    // Past 64 MiB the read stops: name line and content stay within the limit plus one chunk.
    std::thread writer([again = std::move(again)]() mutable {
        std::string chunk(1 << 20, '\0');
        std::string name = "big\n";
        if (::write(again.get(), name.data(), name.size()) != ssize_t(name.size())) return;
        for (int i = 0; i < 70; ++i)
            if (!FileIO::sendAll(again.get(), chunk)) break;
    });
    posted.run(1);
    writer.join();
    auto size = fs::file_size(dir / "big");
    EXPECT_GT(size + 4, ReportListener::limit);
    EXPECT_LE(size + 4, ReportListener::limit + ReportListener::chunk);
    open.clear();
    posted.run(15);
}
