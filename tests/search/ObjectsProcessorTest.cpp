#include "search/ObjectsProcessor.h"

#include "platform/ThreadTestSupport.h"

#include <algorithm>
#include <any>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// Records the numbers it is given. While its gate is closed, each call waits at the gate
// (for at most kPatience) after recording, so a test can hold the loops mid-work.
class RecordingWorker : public ObjectProcessorWorker {
public:
    explicit RecordingWorker(bool gateOpen = true) : m_gateOpen(gateOpen) {}

    void performWorkForObject(const std::any& object) override {
        const int* number = std::any_cast<int>(&object);
        ASSERT_TRUE(number);
        std::unique_lock lock(m_mutex);
        m_taken.push_back(*number);
        m_changed.notify_all();
        m_changed.wait_for(lock, kPatience, [this] { return m_gateOpen; });
    }

    void openGate() {
        std::lock_guard lock(m_mutex);
        m_gateOpen = true;
        m_changed.notify_all();
    }

    bool waitForTaken(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_taken.size() >= count; });
    }

    std::vector<int> taken() {
        std::lock_guard lock(m_mutex);
        return m_taken;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int> m_taken;
    bool m_gateOpen;
};

class RecordingDelegate : public ObjectProcessorDelegate {
public:
    explicit RecordingDelegate(std::shared_ptr<RecordingWorker> worker)
        : m_worker(std::move(worker)) {}

    std::shared_ptr<ObjectProcessorWorker> createWorker() override { return m_worker; }

    void onObjectsProcessorWorkBegin(ObjectsProcessor& processor) override {
        std::lock_guard lock(m_mutex);
        EXPECT_TRUE(processor.isProcessorWorking());
        EXPECT_EQ(m_begins, m_completions) << "a run began before the last one completed";
        ++m_begins;
    }

    void onObjectsProcessorWorkCompleted(ObjectsProcessor& processor) override {
        std::lock_guard lock(m_mutex);
        EXPECT_FALSE(processor.isProcessorWorking());
        ++m_completions;
        EXPECT_EQ(m_begins, m_completions) << "a run completed that never began";
        m_changed.notify_all();
    }

    bool waitForCompletions(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_completions >= count; });
    }

    int begins() {
        std::lock_guard lock(m_mutex);
        return m_begins;
    }

private:
    std::shared_ptr<RecordingWorker> m_worker;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_begins{0};
    int m_completions{0};
};

std::vector<std::any> numbers(int first, int count) {
    std::vector<std::any> objects;
    for (int number = first; number < first + count; ++number)
        objects.emplace_back(number);
    return objects;
}

struct Pool {
    explicit Pool(std::size_t workers, bool gateOpen = true)
        : worker(std::make_shared<RecordingWorker>(gateOpen)),
          delegate(std::make_shared<RecordingDelegate>(worker)),
          processor(
              ObjectsProcessor::create(workers, delegate, ObjectsProcessor::Start::Automatic)) {}

    std::shared_ptr<RecordingWorker> worker;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<ObjectsProcessor> processor;
};

} // namespace

TEST(ObjectsProcessor, ServesTheNewestPendingObjectsFirst) {
    Watchdog watchdog("newest first");
    {
        // One loop takes everything in turn, so the order is exact.
        Pool pool(1);
        ASSERT_TRUE(pool.processor);
        pool.processor->addObjects(numbers(0, 10));
        ASSERT_TRUE(pool.delegate->waitForCompletions(1));
        EXPECT_EQ(pool.worker->taken(), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
    }
    {
        // Four loops held at the gate have taken the four newest.
        Pool pool(4, false);
        ASSERT_TRUE(pool.processor);
        pool.processor->addObjects(numbers(0, 10));
        ASSERT_TRUE(pool.worker->waitForTaken(4));
        std::vector<int> first = pool.worker->taken();
        EXPECT_EQ(std::set<int>(first.begin(), first.end()), (std::set<int>{6, 7, 8, 9}));
        pool.worker->openGate();
        ASSERT_TRUE(pool.delegate->waitForCompletions(1));
        std::vector<int> all = pool.worker->taken();
        std::sort(all.begin(), all.end());
        EXPECT_EQ(all, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    }
}

TEST(ObjectsProcessor, EndsEachRunAndBeginsANewOneWithTheNextAddition) {
    Watchdog watchdog("runs");
    Pool pool(4);
    ASSERT_TRUE(pool.processor);
    auto trigger = pool.processor->getController();
    EXPECT_TRUE(trigger->isPaused());
    for (int run = 1; run <= 3; ++run) {
        pool.processor->addObjects(numbers(run * 100, 5));
        ASSERT_TRUE(pool.delegate->waitForCompletions(run)) << "run " << run;
        EXPECT_EQ(pool.delegate->begins(), run);
        EXPECT_FALSE(pool.processor->isProcessorWorking());
        EXPECT_TRUE(trigger->isPaused());
        EXPECT_EQ(trigger->cycle(), static_cast<std::uint32_t>(run + 1));
        EXPECT_EQ(pool.worker->taken().size(), static_cast<std::size_t>(run * 5));
    }
    std::vector<int> all = pool.worker->taken();
    EXPECT_EQ(std::set<int>(all.begin(), all.end()).size(), all.size());
}

// Stopping the trigger from outside drops what is pending and completes the run at once;
// the object being worked on is finished, and later additions are served again.
TEST(ObjectsProcessor, StoppingTheTriggerCancelsTheRun) {
    Watchdog watchdog("cancel");
    Pool pool(1, false);
    ASSERT_TRUE(pool.processor);
    pool.processor->addObjects(numbers(0, 6));
    ASSERT_TRUE(pool.worker->waitForTaken(1));
    pool.processor->getController()->stop();
    ASSERT_TRUE(pool.delegate->waitForCompletions(1));
    EXPECT_FALSE(pool.processor->isProcessorWorking());
    pool.worker->openGate();

    pool.processor->addObject(42);
    pool.processor->addObject(std::any());
    ASSERT_TRUE(pool.delegate->waitForCompletions(2));
    EXPECT_EQ(pool.worker->taken(), (std::vector<int>{5, 42}));
}

// A processor released mid-run lets its loops end and their threads go.
TEST(ObjectsProcessor, ReleasingTheProcessorEndsItsLoops) {
    Watchdog watchdog("release");
    Pool pool(4, false);
    ASSERT_TRUE(pool.processor);
    pool.processor->addObjects(numbers(0, 10));
    ASSERT_TRUE(pool.worker->waitForTaken(4));
    std::weak_ptr<ObjectsProcessor> released = pool.processor;
    pool.processor.reset();
    // A task of its work queue may still hold the processor for a moment.
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!released.expired() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(released.expired());
    pool.worker->openGate();
    // Only the delegate keeps the worker once every loop has ended.
    while (pool.worker.use_count() > 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(pool.worker.use_count(), 2);
    EXPECT_EQ(pool.worker->taken().size(), 4u);
}

TEST(ObjectsProcessor, ServesEveryObjectOfConcurrentClientsExactlyOnce) {
    Watchdog watchdog("concurrent clients");
    Pool pool(4);
    ASSERT_TRUE(pool.processor);
    constexpr int kClients = 4, kObjectsEach = 500;
    std::vector<std::thread> clients;
    for (int client = 0; client < kClients; ++client)
        clients.emplace_back([&, client] {
            for (int index = 0; index < kObjectsEach; ++index) {
                int number = client * kObjectsEach + index;
                if (index % 50 == 0)
                    pool.processor->addObjects(numbers(number, 1));
                else
                    pool.processor->addObject(number);
            }
        });
    for (auto& client : clients)
        client.join();
    ASSERT_TRUE(pool.worker->waitForTaken(kClients * kObjectsEach));
    auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (pool.processor->isProcessorWorking() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(pool.processor->isProcessorWorking());
    std::vector<int> all = pool.worker->taken();
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kClients * kObjectsEach));
    std::sort(all.begin(), all.end());
    for (int number = 0; number < kClients * kObjectsEach; ++number)
        ASSERT_EQ(all[number], number);
}

namespace {

class TransitionLog : public StartStopTriggerListener {
public:
    void onTriggerStarted(StartStopTrigger& trigger) override {
        events.push_back(true);
        EXPECT_FALSE(trigger.isPaused());
    }
    void onTriggerStopped(StartStopTrigger& trigger) override {
        events.push_back(false);
        EXPECT_TRUE(trigger.isPaused());
    }
    // Written only inside the trigger's lock.
    std::vector<bool> events;
};

} // namespace

TEST(StartStopTrigger, AlternatesAndCountsStopsUnderConcurrentCalls) {
    auto log = std::make_shared<TransitionLog>();
    StartStopTrigger trigger(log);
    EXPECT_TRUE(trigger.isPaused());
    EXPECT_EQ(trigger.cycle(), 1u);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&, thread] {
            for (int call = 0; call < 2000; ++call) {
                if ((call * 7 + thread) % 3 == 0)
                    trigger.stop();
                else
                    trigger.start();
            }
        });
    for (auto& thread : threads)
        thread.join();
    ASSERT_FALSE(log->events.empty());
    std::size_t stops = 0;
    for (std::size_t index = 0; index < log->events.size(); ++index) {
        ASSERT_EQ(log->events[index], index % 2 == 0) << "transition " << index;
        stops += log->events[index] ? 0 : 1;
    }
    EXPECT_EQ(trigger.cycle(), 1 + stops);
    EXPECT_EQ(trigger.isPaused(), !log->events.back());
}
