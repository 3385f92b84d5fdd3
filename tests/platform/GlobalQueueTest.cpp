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

// Every pool thread is held until all of them are busy, which they can only be at the same
// time; then each calls sync on the pool, which must not wait for a free thread.
TEST(GlobalQueue, RunsTasksAtOnceAndSyncFromEveryBusyThreadDoesNotStarveThePool) {
    Watchdog watchdog("GlobalQueue sync");
    const std::size_t width = GlobalQueue::shared().threadCount();
    ASSERT_GE(width, 2u);
    std::mutex mutex;
    std::condition_variable arrived;
    std::size_t present = 0;
    std::atomic<std::size_t> allPresent{0}, innerRan{0};
    auto group = platform::DispatchGroup::create();
    for (std::size_t i = 0; i < width; ++i)
        group->async(globalQueue(), [&] {
            {
                std::unique_lock lock(mutex);
                ++present;
                arrived.notify_all();
                allPresent += arrived.wait_for(lock, kPatience, [&] { return present == width; });
            }
            globalQueue().sync([&] { innerRan += globalQueue().isCurrent(); });
        });
    ASSERT_TRUE(group->wait(kPatience));
    EXPECT_EQ(allPresent.load(), width);
    EXPECT_EQ(innerRan.load(), width);
    EXPECT_FALSE(globalQueue().isCurrent());
}
