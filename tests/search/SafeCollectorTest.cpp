#include "search/SafeCollector.h"

#include "platform/ThreadTestSupport.h"

#include <algorithm>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

class BatchLog : public SafeCollectorListener<int> {
public:
    void onSafeCollector(SafeCollector<int>&, std::vector<int> items) override {
        std::lock_guard lock(m_mutex);
        m_threads.push_back(std::this_thread::get_id());
        m_batches.push_back(std::move(items));
        m_changed.notify_all();
    }

    // The batches once there are `count` of them; what there is after kPatience otherwise.
    std::vector<std::vector<int>> waitForBatches(std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [&] { return m_batches.size() >= count; });
        return m_batches;
    }

    std::vector<std::vector<int>> waitForItems(std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [&] {
            std::size_t items = 0;
            for (const auto& batch : m_batches)
                items += batch.size();
            return items >= count;
        });
        return m_batches;
    }

    bool calledFrom(std::thread::id thread) {
        std::lock_guard lock(m_mutex);
        return std::find(m_threads.begin(), m_threads.end(), thread) != m_threads.end();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::vector<int>> m_batches;
    std::vector<std::thread::id> m_threads;
};

} // namespace

// Each step's expected batches follow from the calls before it: a batch hands over only
// when `updateCount` items have come in since the last one, or when forced.
TEST(SafeCollector, HandsOverInBatchesOfTheUpdateCount) {
    using Batches = std::vector<std::vector<int>>;
    auto log = std::make_shared<BatchLog>();
    auto collector = SafeCollector<int>::create(log, 3);
    ASSERT_TRUE(collector);
    collector->addObject(1);
    collector->addObject(2);
    collector->addObject(3);
    EXPECT_EQ(log->waitForBatches(1), (Batches{{1, 2, 3}}));
    collector->pushObjectsForced();
    EXPECT_EQ(log->waitForBatches(2), (Batches{{1, 2, 3}, {}}));
    collector->addObjects({4, 5, 6, 7, 8});
    EXPECT_EQ(log->waitForBatches(3), (Batches{{1, 2, 3}, {}, {4, 5, 6, 7, 8}}));
    collector->addObject(9);
    collector->updateListenerForced(false);
    collector->addObjects({10});
    collector->updateListenerForced(true);
    EXPECT_EQ(log->waitForBatches(4), (Batches{{1, 2, 3}, {}, {4, 5, 6, 7, 8}, {9, 10}}));
    EXPECT_FALSE(log->calledFrom(std::this_thread::get_id()));
}

TEST(SafeCollector, CollectsFromManyThreadsWithoutLosingItems) {
    auto log = std::make_shared<BatchLog>();
    auto collector = SafeCollector<int>::create(log, 7);
    ASSERT_TRUE(collector);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&, thread] {
            for (int item = 0; item < 250; ++item)
                collector->addObject(thread * 250 + item);
        });
    for (auto& thread : threads)
        thread.join();
    collector->pushObjectsForced();
    auto batches = log->waitForItems(1000);
    std::vector<int> all;
    for (const auto& batch : batches)
        all.insert(all.end(), batch.begin(), batch.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 1000u);
    for (int item = 0; item < 1000; ++item)
        ASSERT_EQ(all[item], item);
    // Only the forced hand-over may be smaller than the update count.
    for (std::size_t index = 0; index + 1 < batches.size(); ++index)
        EXPECT_GE(batches[index].size(), 7u);
}
