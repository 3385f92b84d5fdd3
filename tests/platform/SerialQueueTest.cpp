#include "platform/SerialQueue.h"

#include "ThreadTestSupport.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <utility>
#include <vector>

using platform::SerialQueue;
using testing_support::Flag;
using testing_support::Watchdog;

TEST(SerialQueue, RunsOneTaskAtATimeInPostingOrder) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 250;
    Watchdog watchdog("SerialQueue order");
    auto queue = SerialQueue::create("order");
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue->label(), "order");
    // Deliberately unsynchronised: only the queue's exclusivity protects it, so ThreadSanitizer
    // reports a race if two tasks ever overlap.
    std::vector<std::pair<int, int>> records;
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    std::atomic<int> offQueue{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) {
                queue->async([&, p, i] {
                    int now = ++running;
                    mostRunning.store(std::max(mostRunning.load(), now));
                    if (!queue->isCurrent())
                        ++offQueue;
                    records.emplace_back(p, i);
                    std::this_thread::yield();
                    --running;
                });
            }
        });
    }
    for (auto& producer : producers)
        producer.join();
    queue->sync([] {}); // everything posted before has run
    EXPECT_FALSE(queue->isCurrent());
    EXPECT_EQ(mostRunning.load(), 1);
    EXPECT_EQ(offQueue.load(), 0);
    std::vector<int> next(kProducers, 0);
    for (const auto& [producer, sequence] : records) {
        ASSERT_EQ(sequence, next[producer]) << "producer " << producer;
        ++next[producer];
    }
    EXPECT_EQ(next, std::vector<int>(kProducers, kPerProducer));
}

TEST(SerialQueue, SyncRunsOnTheQueueAndInlineFromItsOwnTasks) {
    Watchdog watchdog("SerialQueue sync");
    auto queue = SerialQueue::create("sync");
    ASSERT_TRUE(queue);
    bool onQueue = false;
    queue->sync([&] { onQueue = queue->isCurrent(); });
    EXPECT_TRUE(onQueue);

    bool nested = false;
    queue->sync([&] { queue->sync([&] { nested = true; }); });
    EXPECT_TRUE(nested);
}

TEST(SerialQueue, DestroyingItStillRunsThePostedTasks) {
    constexpr int kTasks = 200;
    Watchdog watchdog("SerialQueue destruction");
    auto queue = SerialQueue::create("destroyed");
    ASSERT_TRUE(queue);
    Flag gate;
    std::atomic<int> ran{0};
    // The first task holds the queue up, so most tasks are still waiting when it is destroyed.
    queue->async([&] { gate.wait(); });
    for (int i = 0; i < kTasks; ++i)
        queue->async([&] { ++ran; });
    std::thread opener([&] { gate.raise(); });
    queue.reset();
    opener.join();
    EXPECT_EQ(ran.load(), kTasks);
}

TEST(SerialQueue, SurvivesLosingItsLastOwnerInsideItsOwnTask) {
    Watchdog watchdog("SerialQueue self-release");
    for (int round = 0; round < 20; ++round) {
        auto queue = SerialQueue::create("self-owned");
        ASSERT_TRUE(queue);
        Flag gate;
        Flag laterTaskRan;
        queue->async([&gate, keep = queue] { gate.wait(); });
        queue->async([&] { laterTaskRan.raise(); });
        queue.reset(); // the first task's capture is now the only owner
        gate.raise();
        ASSERT_TRUE(laterTaskRan.wait()) << "round " << round;
    }
}
