#include "Agent/AgentQueue.h"
#include "Support/TestApplication.h"

#include <gtest/gtest.h>

#include <QThread>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace quillmarsh {
namespace {

TEST(AgentQueue, RunsItemsOneAtATimeOffTheMainThreadAndDeliversInOrder) {
    test::ensureApp();
    QObject context;
    AgentQueue queue("com.example.app.agent", &context);

    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> onMain{false};
    std::vector<int> delivered;
    std::vector<Qt::HANDLE> deliveryThreads;
    for (int i = 0; i < 20; ++i) {
        queue.post(
            [&, i] {
                if (running.fetch_add(1) != 0) overlapped = true;
                if (QThread::currentThread() == QCoreApplication::instance()->thread()) onMain = true;
                std::this_thread::yield();
                running.fetch_sub(1);
                return i;
            },
            [&](int value) {
                delivered.push_back(value);
                deliveryThreads.push_back(QThread::currentThreadId());
            });
    }
    ASSERT_TRUE(test::spinUntil([&] { return delivered.size() == 20; }));
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(onMain);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(delivered[i], i);
    for (Qt::HANDLE thread : deliveryThreads) EXPECT_EQ(thread, QThread::currentThreadId());
}

TEST(AgentQueue, DestroyingWhileAnItemBlocksReturnsAndDropsItsResult) {
    test::ensureApp();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    std::atomic<bool> laterRan{false};
    std::atomic<bool> delivered{false};
    {
        QObject context;
        AgentQueue queue("blocked.agent", &context);
        queue.post([&started, released] {
            started.set_value();
            released.wait();  // stands for a read that waits on a silent agent
            return 1;
        }, [&](int) { delivered = true; });
        queue.post([&] { laterRan = true; });
        started.get_future().wait();
    }  // must not wait for the blocked item
    release.set_value();
    QCoreApplication::processEvents();
    EXPECT_FALSE(laterRan) << "items that had not started are dropped";
    EXPECT_FALSE(delivered);
}

} // namespace
} // namespace quillmarsh
