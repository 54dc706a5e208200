#include "Foundation/FileIO.h"
#include "Foundation/UniqueFd.h"
#include "ReportListener.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TEST(ReportListener, WritesReplaceFilesButNeverFollowALink) {
    quillmarsh::test::TempFolder dir("qm-report");
    dir.write("outside", "keep");
    fs::create_symlink(dir / "outside", dir / "link");
    EXPECT_TRUE(ReportListener::writeReport(dir.string(), "r", std::string("first", 5)));
    EXPECT_TRUE(ReportListener::writeReport(dir.string(), "r", "x"));
    EXPECT_EQ(fs::file_size(dir / "r"), 1u);
    EXPECT_FALSE(ReportListener::writeReport(dir.string(), "link", "overwritten"));
    EXPECT_EQ(FileIO::readFile((dir / "outside").string(), 64), "keep");
    EXPECT_FALSE(ReportListener::writeReport((dir / "missing").string(), "r", "x"));
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
    auto reports = std::make_shared<ReportListener>(dir.string(), posted.poster());
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
