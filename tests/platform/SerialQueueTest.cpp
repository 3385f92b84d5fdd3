#include "platform/SerialQueue.h"

#include "support/ThreadTestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

using platform::SerialQueue;
using namespace testing_support;

TEST(SerialQueue, RunsOneTaskAtATimeInPostingOrderAndSyncInlineFromItsOwnTasks) {
    constexpr int kProducers = 4, kPerProducer = 250;
    Watchdog watchdog("SerialQueue order");
    auto queue = SerialQueue::create("order");
    ASSERT_TRUE(queue);
    // Unsynchronised on purpose: only the queue's exclusivity protects it, so ThreadSanitizer
    // reports a race if two tasks ever overlap.
    std::vector<Record> records;
    std::atomic<int> running{0}, mostRunning{0}, offQueue{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p)
        producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i)
                queue->async([&, p, i] {
                    mostRunning = std::max(mostRunning.load(), ++running);
                    offQueue += queue->isCurrent() ? 0 : 1;
                    records.emplace_back(p, i);
                    std::this_thread::yield();
                    --running;
                });
        });
    for (auto& producer : producers)
        producer.join();
    // Everything posted before it has run; a sync from the queue's own task runs inline.
    bool nestedOnQueue = false;
    queue->sync([&] { queue->sync([&] { nestedOnQueue = queue->isCurrent(); }); });
    EXPECT_TRUE(nestedOnQueue);
    EXPECT_EQ(mostRunning.load(), 1);
    EXPECT_EQ(offQueue.load(), 0);
    expectOrderPerProducer(records, std::vector<int>(kProducers, kPerProducer));
}

TEST(SerialQueue, DestroyingItStillRunsThePostedTasks) {
    constexpr int kTasks = 200;
    Watchdog watchdog("SerialQueue destruction");
    auto queue = SerialQueue::create("destroyed");
    ASSERT_TRUE(queue);
    std::weak_ptr<SerialQueue> watched = queue;
    std::atomic<bool> heldUntilDestruction{false};
    std::atomic<int> ran{0};
    // The first task holds the queue up until its destruction has begun, so every other task is
    // still waiting at that moment.
    queue->async([&] {
        auto giveUp = std::chrono::steady_clock::now() + kPatience;
        while (!watched.expired() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::yield();
        heldUntilDestruction = watched.expired();
    });
    for (int i = 0; i < kTasks; ++i)
        queue->async([&] { ++ran; });
    queue.reset();
    EXPECT_TRUE(heldUntilDestruction.load());
    EXPECT_EQ(ran.load(), kTasks);
}
