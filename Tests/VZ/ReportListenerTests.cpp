#include "ReportListener.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;
using quillmarsh::ReportListener;

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
    fs::path dir = fs::temp_directory_path() / ("qm-report-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "outside") << "keep";
    fs::create_symlink(dir / "outside", dir / "link");
    EXPECT_TRUE(ReportListener::writeReport(dir.string(), "r", std::string("first", 5)));
    EXPECT_TRUE(ReportListener::writeReport(dir.string(), "r", "x"));
    EXPECT_EQ(fs::file_size(dir / "r"), 1u);
    EXPECT_FALSE(ReportListener::writeReport(dir.string(), "link", "overwritten"));
    std::ifstream in(dir / "outside");
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "keep");
    EXPECT_FALSE(ReportListener::writeReport((dir / "missing").string(), "r", "x"));
    fs::remove_all(dir);
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

bool writeBytes(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 1) return false;
        done += std::size_t(n);
    }
    return true;
}

int connect(vz::VirtioSocketDevice& device) {
    int pair[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    if (device.connectionArrived(std::make_shared<vz::VirtioSocketConnection>(pair[1], 7, 1025))) return pair[0];
    ::close(pair[0]);
    return -1;
}

} // namespace

TEST(ReportListener, ReadsAtMostSixteenConnectionsAtOnceAndCapsEachOne) {
    fs::path dir = fs::temp_directory_path() / ("qm-report-limit-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    PostedBlocks posted;
    auto reports = std::make_shared<ReportListener>(dir.string(), posted.poster());
    vz::VirtioSocketDevice device;
    auto listener = std::make_shared<vz::VirtioSocketListener>();
    listener->delegate = reports;
    device.setSocketListener(listener, 1025);

    std::vector<int> open;
    for (int i = 0; i < 16; ++i) {
        int fd = connect(device);
        ASSERT_GE(fd, 0) << i;
        open.push_back(fd);
    }
    EXPECT_EQ(connect(device), -1); // a seventeenth while sixteen are read: refused
    std::string head = "r0\n";
    ASSERT_EQ(::write(open[0], head.data(), head.size()), ssize_t(head.size()));
    ::close(open[0]);
    posted.run(1);
    EXPECT_TRUE(fs::exists(dir / "r0"));
    int again = connect(device); // room again
    ASSERT_GE(again, 0);

    // Past 64 MiB the read stops: name line and content stay within the limit plus one chunk.
    std::thread writer([again] {
        std::string chunk(1 << 20, '\0');
        std::string name = "big\n";
        if (::write(again, name.data(), name.size()) != ssize_t(name.size())) return;
        for (int i = 0; i < 70; ++i)
            if (!writeBytes(again, chunk)) break;
        ::close(again);
    });
    posted.run(1);
    writer.join();
    auto size = fs::file_size(dir / "big");
    EXPECT_GT(size + 4, ReportListener::limit);
    EXPECT_LE(size + 4, ReportListener::limit + ReportListener::chunk);
    for (std::size_t i = 1; i < open.size(); ++i) ::close(open[i]);
    posted.run(15);
    fs::remove_all(dir);
}
