#include "platform/GlobalQueue.h"

#include "ThreadTestSupport.h"
#include "platform/DispatchGroup.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using platform::globalQueue;
using platform::GlobalQueue;
using testing_support::Flag;
using testing_support::kPatience;
using testing_support::Watchdog;

TEST(GlobalQueue, RunsTasksAtTheSameTime) {
    Watchdog watchdog("GlobalQueue overlap");
    // Each task waits for the other one to have started: both can only finish if they overlap.
    Flag firstStarted;
    Flag secondStarted;
    Flag firstSawSecond;
    Flag secondSawFirst;
    std::atomic<bool> onPool{true};
    globalQueue().async([&] {
        onPool = onPool && globalQueue().isCurrent();
        firstStarted.raise();
        if (secondStarted.wait())
            firstSawSecond.raise();
    });
    globalQueue().async([&] {
        onPool = onPool && globalQueue().isCurrent();
        secondStarted.raise();
        if (firstStarted.wait())
            secondSawFirst.raise();
    });
    EXPECT_TRUE(firstSawSecond.wait());
    EXPECT_TRUE(secondSawFirst.wait());
    EXPECT_TRUE(onPool.load());
    EXPECT_FALSE(globalQueue().isCurrent());
    EXPECT_EQ(globalQueue().label(), "global");
    EXPECT_GE(GlobalQueue::shared().threadCount(), 2u);
}

TEST(GlobalQueue, SyncFromEveryBusyThreadDoesNotStarveThePool) {
    Watchdog watchdog("GlobalQueue sync");
    const std::size_t width = GlobalQueue::shared().threadCount();
    std::mutex mutex;
    std::condition_variable arrived;
    std::size_t present = 0;
    std::atomic<std::size_t> innerRan{0};
    auto group = platform::DispatchGroup::create();
    // Every pool thread is held until all of them are busy, then each calls sync on the pool.
    for (std::size_t i = 0; i < width; ++i) {
        group->async(globalQueue(), [&] {
            {
                std::unique_lock lock(mutex);
                ++present;
                arrived.notify_all();
                arrived.wait_for(lock, kPatience, [&] { return present == width; });
            }
            globalQueue().sync([&] { ++innerRan; });
        });
    }
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_EQ(present, width);
    EXPECT_EQ(innerRan.load(), width);
}
