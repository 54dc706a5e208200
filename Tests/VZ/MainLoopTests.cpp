#include "MainLoop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <thread>

#include <unistd.h>

using quillmarsh::MainLoop;

TEST(MainLoop, TimersRunInDueOrderAndEqualDelaysInPostingOrder) {
    MainLoop loop;
    std::string order;
    loop.after(30, [&] { order += "c"; loop.stop(); });
    loop.after(0, [&] { order += "a"; });
    loop.after(0, [&] { order += "b"; });
    loop.after(10, [&] { order += "B"; });
    loop.run();
    EXPECT_EQ(order, "abBc");
}

TEST(MainLoop, BlocksPostedFromOtherThreadsRunOnTheLoopThread) {
    MainLoop loop;
    auto loopThread = std::this_thread::get_id();
    int seen = 0;
    bool allOnLoop = true;
    auto post = loop.poster();
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            post([&, i] {
                allOnLoop = allOnLoop && std::this_thread::get_id() == loopThread;
                if (++seen == 100) loop.stop();
                (void)i;
            });
    });
    loop.run();
    worker.join();
    EXPECT_EQ(seen, 100);
    EXPECT_TRUE(allOnLoop);
}

TEST(MainLoop, PosterOutlivesTheLoopAndDropsItsBlocks) {
    quillmarsh::EventLoop::Poster post;
    {
        MainLoop loop;
        post = loop.poster();
    }
    bool ran = false;
    post([&] { ran = true; });
    EXPECT_FALSE(ran);
}

TEST(MainLoop, BlockedSignalsArriveAsBlocksAndWatchedDescriptorsWake) {
    MainLoop::blockSignals();
    MainLoop loop;
    int terms = 0;
    std::string read;
    loop.onSignal(SIGTERM, [&] {
        if (++terms == 2) loop.stop();
    });
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    loop.watch(fds[0], [&] {
        char c;
        if (::read(fds[0], &c, 1) == 1) read += c;
        loop.unwatch(fds[0]);
        ::kill(::getpid(), SIGTERM);
        loop.after(20, [] { ::kill(::getpid(), SIGTERM); });
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    loop.run();
    EXPECT_EQ(read, "x");
    EXPECT_EQ(terms, 2);
    ::close(fds[0]);
    ::close(fds[1]);
}
