#include "search/SafeCollector.h"

#include "platform/ThreadTestSupport.h"

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace testing_support;
using Batches = std::vector<std::vector<int>>;

namespace {

class BatchLog : public SafeCollectorListener<int> {
public:
    void onSafeCollector(SafeCollector<int>&, std::vector<int> items) override {
        std::lock_guard lock(m_mutex);
        EXPECT_NE(std::this_thread::get_id(), m_testThread);
        m_items += items.size();
        m_batches.push_back(std::move(items));
        m_changed.notify_all();
    }

    // The batches once `done` holds of (batches, items); what there is after kPatience
    // otherwise.
    Batches waitFor(const std::function<bool(std::size_t, std::size_t)>& done) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kPatience, [&] { return done(m_batches.size(), m_items); });
        return m_batches;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Batches m_batches;
    std::size_t m_items{0};
    const std::thread::id m_testThread{std::this_thread::get_id()};
};

} // namespace

// A batch hands over only when `updateCount` items have come in since the last one, or
// when forced.
TEST(SafeCollector, HandsOverInBatchesOfTheUpdateCount) {
    auto log = std::make_shared<BatchLog>();
    auto collector = SafeCollector<int>::create(log, 3);
    ASSERT_TRUE(collector);
    auto batches = [&](std::size_t count) {
        return log->waitFor([count](std::size_t batches, std::size_t) { return batches >= count; });
    };
    collector->addObject(1);
    collector->addObject(2);
    collector->addObject(3);
    EXPECT_EQ(batches(1), (Batches{{1, 2, 3}}));
    collector->pushObjectsForced();
    EXPECT_EQ(batches(2), (Batches{{1, 2, 3}, {}}));
    collector->addObjects({4, 5, 6, 7, 8});
    EXPECT_EQ(batches(3).back(), (std::vector<int>{4, 5, 6, 7, 8}));
    collector->addObject(9);
    collector->updateListenerForced(false);
    collector->addObjects({10});
    collector->updateListenerForced(true);
    EXPECT_EQ(batches(4), (Batches{{1, 2, 3}, {}, {4, 5, 6, 7, 8}, {9, 10}}));
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
    auto batches = log->waitFor([](std::size_t, std::size_t items) { return items >= 1000; });
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
