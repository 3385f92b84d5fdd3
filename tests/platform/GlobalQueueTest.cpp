#include "platform/GlobalQueue.h"

#include "platform/DispatchGroup.h"
#include "support/ThreadTestSupport.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using platform::globalQueue;
using platform::GlobalQueue;
using namespace testing_support;

TEST(GlobalQueue, RunsTasksAtTheSameTime) {
    Watchdog watchdog("GlobalQueue overlap");
    // Each task waits for the other one to start: both can only succeed if they overlap.
    Flag started[2];
    std::atomic<int> sawTheOther{0};
    auto group = platform::DispatchGroup::create();
    for (int i = 0; i < 2; ++i)
        group->async(globalQueue(), [&, i] {
            started[i].raise();
            if (started[1 - i].wait() && globalQueue().isCurrent())
                ++sawTheOther;
        });
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_EQ(sawTheOther.load(), 2);
    EXPECT_FALSE(globalQueue().isCurrent());
}

TEST(GlobalQueue, SyncFromEveryBusyThreadDoesNotStarveThePool) {
    Watchdog watchdog("GlobalQueue sync");
    const std::size_t width = GlobalQueue::shared().threadCount();
    ASSERT_GE(width, 2u);
    std::mutex mutex;
    std::condition_variable arrived;
    std::size_t present = 0;
    std::atomic<std::size_t> innerRan{0};
    auto group = platform::DispatchGroup::create();
    // Every pool thread is held until all of them are busy; then each calls sync on the pool.
    for (std::size_t i = 0; i < width; ++i)
        group->async(globalQueue(), [&] {
            {
                std::unique_lock lock(mutex);
                ++present;
                arrived.notify_all();
                arrived.wait_for(lock, kPatience, [&] { return present == width; });
            }
            globalQueue().sync([&] { ++innerRan; });
        });
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_EQ(innerRan.load(), width);
}
