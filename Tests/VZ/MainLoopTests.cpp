#include "Foundation/UniqueFd.h"
#include "MainLoop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using quillmarsh::MainLoop;
using quillmarsh::UniqueFd;

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
    // Once the loop is gone nothing can run a block, so what shows that one was dropped is that it
    // is destroyed, and with it what it holds: a block kept anywhere keeps the witness alive.
    auto witness = std::make_shared<int>(0);
    const std::weak_ptr<int> held = witness;
    quillmarsh::EventLoop::Poster post;
    {
        MainLoop loop;
        post = loop.poster();
        post([witness] { ++*witness; }); // queued, never run
    }
    post([witness] { ++*witness; }); // posted after the loop is gone
    witness.reset();
    EXPECT_TRUE(held.expired());
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
    const UniqueFd readEnd(fds[0]), writeEnd(fds[1]);
    loop.watch(readEnd.get(), [&] {
        char c;
        if (::read(readEnd.get(), &c, 1) == 1) read += c;
        loop.unwatch(readEnd.get());
        ::kill(::getpid(), SIGTERM);
        loop.after(20, [] { ::kill(::getpid(), SIGTERM); });
    });
    ASSERT_EQ(::write(writeEnd.get(), "x", 1), 1);
    loop.run();
    EXPECT_EQ(read, "x");
    EXPECT_EQ(terms, 2);
}

TEST(MainLoop, AWriteWatchRunsWhenTheDescriptorHasRoomAgain) {
    MainLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    const UniqueFd readEnd(fds[0]), writeEnd(fds[1]);
    // Fill the pipe, then let a reader make room a little later.
    const std::string chunk(4096, 'x');
    while (::write(writeEnd.get(), chunk.data(), chunk.size()) > 0) {
    }
    int wakes = 0;
    bool drained = false;
    loop.watchWritable(writeEnd.get(), [&] {
        EXPECT_TRUE(drained) << "the watch woke on a full pipe";
        ++wakes;
        loop.unwatchWritable(writeEnd.get());
        loop.stop();
    });
    loop.after(50, [&] {
        std::string sink(65536, '\0');
        while (::read(readEnd.get(), sink.data(), sink.size()) > 0) {
        }
        drained = true;
    });
    loop.run();
    EXPECT_EQ(wakes, 1);
}
