#include "platform/MainQueue.h"

#include "ThreadTestSupport.h"
#include "platform/GlobalQueue.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

using platform::MainQueue;
using testing_support::Flag;
using testing_support::kPatience;
using testing_support::Watchdog;

namespace {

using Record = std::pair<int, int>; // (producer, sequence number)

// Every producer's records must appear in the order it posted them, and all of them must be
// there.
void expectOrderPerProducer(const std::vector<Record>& records, const std::vector<int>& counts) {
    std::vector<int> next(counts.size(), 0);
    for (const auto& [producer, sequence] : records) {
        ASSERT_EQ(sequence, next[producer]) << "producer " << producer;
        ++next[producer];
    }
    EXPECT_EQ(next, counts);
}

} // namespace

TEST(MainQueue, RunsTasksOnTheMainThreadInPostingOrder) {
    constexpr int kProducers = 4;
    constexpr int kPerProducer = 200;
    MainQueue queue;
    std::vector<Record> records; // touched by the main thread only
    std::atomic<int> offMainThread{0};
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < kPerProducer; ++i) {
                queue.async([&, p, i] {
                    if (!queue.isCurrentThread())
                        ++offMainThread;
                    records.emplace_back(p, i);
                });
            }
        });
    }
    bool finished = queue.runUntil(
        [&] { return records.size() == static_cast<std::size_t>(kProducers * kPerProducer); },
        kPatience);
    for (auto& producer : producers)
        producer.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(offMainThread.load(), 0);
    expectOrderPerProducer(records, std::vector<int>(kProducers, kPerProducer));
}

TEST(MainQueue, SyncWaitsForTheMainThreadAndRunsInlineOnIt) {
    Watchdog watchdog("MainQueue sync");
    MainQueue queue;
    int value = 0;
    bool ranOnMainThread = false;
    int seenAfterSync = -1;
    Flag workerDone;
    std::thread worker([&] {
        queue.sync([&] {
            value = 42;
            ranOnMainThread = queue.isCurrentThread();
        });
        seenAfterSync = value;
        workerDone.raise();
    });
    EXPECT_TRUE(queue.runUntil([&] { return workerDone.isRaised(); }, kPatience));
    worker.join();
    EXPECT_TRUE(ranOnMainThread);
    EXPECT_EQ(seenAfterSync, 42);

    // On the main thread, inside a task or not, sync must not wait for itself.
    bool direct = false;
    queue.sync([&] { direct = true; });
    EXPECT_TRUE(direct);
    bool nested = false;
    queue.async([&] { queue.sync([&] { nested = true; }); });
    EXPECT_TRUE(queue.runUntil([&] { return nested; }, kPatience));
}

TEST(MainQueue, RunUntilGivesUpAtTheTimeoutButKeepsRunningTasks) {
    MainQueue queue;
    int ran = 0;
    queue.async([&] { ++ran; });
    EXPECT_FALSE(queue.runUntil([] { return false; }, std::chrono::milliseconds(30)));
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(queue.runUntil({}, std::chrono::milliseconds(0)));
    EXPECT_TRUE(queue.runUntil([] { return true; }, std::chrono::milliseconds::max()));
}

TEST(MainQueue, RunEndsAtStopFromATaskOrFromAnotherThread) {
    Watchdog watchdog("MainQueue run");
    MainQueue queue;
    std::vector<int> order;
    queue.async([&] { order.push_back(1); });
    queue.async([&] { queue.stop(); });
    queue.async([&] { order.push_back(2); });
    queue.run();
    EXPECT_EQ(order, std::vector<int>{1});

    // The loop is idle when the other thread stops it.
    Flag running;
    queue.async([&] { running.raise(); });
    std::thread stopper([&] {
        if (running.wait())
            queue.stop();
    });
    queue.run();
    stopper.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(MainQueue, DrainRunsOnlyTheTasksReadyWhenItStarts) {
    MainQueue queue;
    int ran = 0;
    queue.async([&] {
        ++ran;
        queue.async([&] { ++ran; });
    });
    EXPECT_EQ(queue.drain(), 1u);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(queue.drain(), 1u);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(queue.drain(), 0u);
}

TEST(MainQueue, OnlyItsMainThreadMayDriveIt) {
    Watchdog watchdog("MainQueue other thread");
    MainQueue queue;
    EXPECT_EQ(queue.drain(), 0u); // binds the test thread
    bool ran = false;
    queue.async([&] { ran = true; });
    std::thread other([&] {
        EXPECT_FALSE(queue.isCurrentThread());
        EXPECT_EQ(queue.drain(), 0u);
        EXPECT_FALSE(queue.runUntil([] { return true; }, kPatience));
        queue.run(); // must return at once instead of running the task here
    });
    other.join();
    EXPECT_FALSE(ran);
    EXPECT_TRUE(queue.isCurrentThread());
    EXPECT_EQ(queue.drain(), 1u);
    EXPECT_TRUE(ran);
}

// A stand-in for a host event loop: a thread that sleeps until the hook wakes it, then drains.
class FakeHost {
public:
    explicit FakeHost(MainQueue& queue) : m_queue(queue) {}

    void wake() {
        {
            std::lock_guard lock(m_mutex);
            m_woken = true;
            m_changed.notify_one();
        }
    }

    void start() {
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            while (true) {
                m_changed.wait(lock, [this] { return m_woken || m_quit; });
                if (m_quit)
                    return;
                m_woken = false;
                lock.unlock();
                m_queue.drain();
                lock.lock();
            }
        });
    }

    void quit() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
            m_changed.notify_one();
        }
        m_thread.join();
    }

private:
    MainQueue& m_queue;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_woken{false};
    bool m_quit{false};
    std::thread m_thread;
};

TEST(MainQueue, HostHookLetsAHostThreadDrainEverything) {
    constexpr int kPerProducer = 300;
    constexpr int kChain = 50;
    Watchdog watchdog("MainQueue host hook");
    MainQueue queue;
    FakeHost host(queue);
    std::vector<Record> records; // touched by the host thread only
    std::atomic<int> offHostThread{0};
    std::atomic<int> finished{0};
    Flag allDone;
    auto record = [&](int producer, int sequence) {
        if (!queue.isCurrentThread())
            ++offHostThread;
        records.emplace_back(producer, sequence);
        if (++finished == 2 * kPerProducer + kChain)
            allDone.raise();
    };

    // Work that is waiting when the hook is installed must wake the host too.
    queue.async([&] { record(0, 0); });
    host.start();
    queue.setHostHook([&] { host.wake(); });

    std::function<void(int)> chain = [&](int link) {
        record(2, link);
        if (link + 1 < kChain)
            queue.async([&, link] { chain(link + 1); });
    };
    queue.async([&] { chain(0); });
    // The host may only go once this producer is through, since its last post still calls the
    // hook after the task is queued.
    Flag producerDone;
    platform::globalQueue().async([&] {
        for (int i = 0; i < kPerProducer; ++i)
            queue.async([&, i] { record(1, i); });
        producerDone.raise();
    });
    for (int i = 1; i < kPerProducer; ++i)
        queue.async([&, i] { record(0, i); });

    EXPECT_TRUE(allDone.wait());
    EXPECT_TRUE(producerDone.wait());
    host.quit();
    queue.setHostHook({});
    EXPECT_EQ(offHostThread.load(), 0);
    expectOrderPerProducer(records, {kPerProducer, kPerProducer, kChain});
}
