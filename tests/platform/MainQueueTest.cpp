#include "platform/MainQueue.h"

#include "platform/GlobalQueue.h"
#include "support/ThreadTestSupport.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <semaphore>
#include <thread>
#include <vector>

using platform::MainQueue;
using namespace testing_support;

TEST(MainQueue, SyncWaitsForTheMainThreadAndRunsInlineOnIt) {
    Watchdog watchdog("MainQueue sync");
    MainQueue queue;
    int value = 0, seenAfterSync = -1;
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        queue.sync([&] { value = queue.isCurrentThread() ? 42 : 1; });
        seenAfterSync = value;
        workerDone = true;
    });
    EXPECT_TRUE(queue.runUntil([&] { return workerDone.load(); }, kPatience));
    worker.join();
    EXPECT_EQ(seenAfterSync, 42);

    // On the main thread, inside a task or not, sync must not wait for itself.
    queue.sync([&] { value = 1; });
    queue.async([&] { queue.sync([&] { value = 2; }); });
    EXPECT_TRUE(queue.runUntil([&] { return value == 2; }, kPatience));
}

TEST(MainQueue, RunUntilAndDrainStopWhereTheyShould) {
    Watchdog watchdog("MainQueue loops");
    MainQueue queue;
    std::vector<int> ran;
    queue.async([&] { ran.push_back(1); });
    EXPECT_FALSE(queue.runUntil([] { return false; }, std::chrono::milliseconds(20)));
    EXPECT_FALSE(queue.runUntil({}, std::chrono::milliseconds(0)));
    EXPECT_EQ(ran, std::vector<int>{1});

    // A task posted while draining waits for the next drain, so a task that keeps posting
    // itself cannot starve the host.
    queue.async([&] { queue.async([&] { ran.push_back(3); }); });
    EXPECT_EQ(queue.drain(), 1u);
    EXPECT_EQ(queue.drain(), 1u);
    EXPECT_EQ(queue.drain(), 0u);
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));

    // A slice that runs out leaves the rest to the next wake-up, and asks the host for it.
    int wakeUps = 0;
    queue.setHostHook([&] { ++wakeUps; });
    for (int n = 4; n <= 6; ++n) {
        queue.async([&, n] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ran.push_back(n);
        });
    }
    EXPECT_EQ(wakeUps, 1);
    EXPECT_EQ(queue.drainFor(std::chrono::milliseconds(1)), 1u);
    EXPECT_EQ(wakeUps, 2);
    EXPECT_EQ(queue.drain(), 2u);
    EXPECT_EQ(ran, (std::vector<int>{1, 3, 4, 5, 6}));
    queue.setHostHook({});
}

TEST(MainQueue, HostHookLetsAHostThreadDrainEverything) {
    constexpr int kPerProducer = 300, kChain = 50;
    Watchdog watchdog("MainQueue host hook");
    MainQueue queue;
    std::vector<Record> records; // touched by the host thread only
    std::atomic<int> offHostThread{0};
    std::counting_semaphore<> wakeUps{0};
    const std::size_t total = 2 * kPerProducer + kChain;
    Flag waitingWorkRan;
    queue.async([&] {
        records.emplace_back(0, 0);
        waitingWorkRan.raise();
    });
    // A lost wake-up leaves the host asleep for good, and the watchdog ends the test.
    std::thread host([&] {
        while (records.size() < total) {
            wakeUps.acquire();
            queue.drain();
        }
    });
    queue.setHostHook([&] { wakeUps.release(); });
    EXPECT_TRUE(waitingWorkRan.wait()) << "work waiting for the hook did not wake the host";

    std::function<void(int)> chain = [&](int link) {
        records.emplace_back(2, link);
        if (link + 1 < kChain)
            queue.async([&, link] { chain(link + 1); });
    };
    queue.async([&] { chain(0); });
    Flag producerDone;
    platform::globalQueue().async([&] {
        for (int i = 0; i < kPerProducer; ++i)
            queue.async([&, i] {
                offHostThread += queue.isCurrentThread() ? 0 : 1;
                records.emplace_back(1, i);
            });
        producerDone.raise();
    });
    for (int i = 1; i < kPerProducer; ++i)
        queue.async([&, i] { records.emplace_back(0, i); });
    host.join();
    // The producer still touches this frame after its last post.
    EXPECT_TRUE(producerDone.wait());
    queue.setHostHook({});
    EXPECT_EQ(offHostThread.load(), 0);
    expectOrderPerProducer(records, {kPerProducer, kPerProducer, kChain});
}
