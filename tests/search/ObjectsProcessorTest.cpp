#include "search/ObjectsProcessor.h"

#include "support/ThreadTestSupport.h"

#include <algorithm>
#include <any>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// Worker and delegate in one: records the numbers it is given and the runs. While its gate
// is closed, each object waits at the gate (for at most kPatience) after it is recorded, so
// a test can hold the loops mid-work.
class Recorder : public ObjectProcessorWorker,
                 public ObjectProcessorDelegate,
                 public std::enable_shared_from_this<Recorder> {
public:
    explicit Recorder(bool gateOpen) : m_gateOpen(gateOpen) {}

    std::shared_ptr<ObjectProcessorWorker> createWorker() override { return shared_from_this(); }

    void performWorkForObject(const std::any& object) override {
        const int* number = std::any_cast<int>(&object);
        ASSERT_TRUE(number);
        std::unique_lock lock(m_mutex);
        m_taken.push_back(*number);
        m_changed.notify_all();
        m_changed.wait_for(lock, kPatience, [this] { return m_gateOpen; });
    }

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

    void openGate() {
        std::lock_guard lock(m_mutex);
        m_gateOpen = true;
        m_changed.notify_all();
    }

    bool waitForTaken(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_taken.size() >= count; });
    }
    bool waitForCompletions(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_completions >= count; });
    }

    std::vector<int> taken() {
        std::lock_guard lock(m_mutex);
        return m_taken;
    }

private:
    int m_begins{0};
    int m_completions{0};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<int> m_taken;
    bool m_gateOpen;
};

struct Pool {
    explicit Pool(std::size_t workers, bool gateOpen = true)
        : recorder(std::make_shared<Recorder>(gateOpen)),
          processor(
              ObjectsProcessor::create(workers, recorder, ObjectsProcessor::Start::Automatic)) {}

    std::shared_ptr<Recorder> recorder;
    std::shared_ptr<ObjectsProcessor> processor;
};

} // namespace

// Stopping the trigger from outside drops what is pending and completes the run at once;
// the object being worked on is finished, and later additions are served again.
TEST(ObjectsProcessor, StoppingTheTriggerCancelsTheRun) {
    Watchdog watchdog("cancel");
    Pool pool(1, false);
    ASSERT_TRUE(pool.processor);
    pool.processor->addObjects({0, 1, 2, 3, 4, 5});
    ASSERT_TRUE(pool.recorder->waitForTaken(1));
    pool.processor->getController()->stop();
    ASSERT_TRUE(pool.recorder->waitForCompletions(1));
    pool.recorder->openGate();
    pool.processor->addObject(42);
    pool.processor->addObject(std::any());
    ASSERT_TRUE(pool.recorder->waitForCompletions(2));
    EXPECT_EQ(pool.recorder->taken(), (std::vector<int>{5, 42}));
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
                const int number = client * kObjectsEach + index;
                if (index % 50 == 0)
                    pool.processor->addObjects({number});
                else
                    pool.processor->addObject(number);
            }
        });
    for (auto& client : clients)
        client.join();
    ASSERT_TRUE(pool.recorder->waitForTaken(kClients * kObjectsEach));
    std::vector<int> all = pool.recorder->taken();
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kClients * kObjectsEach));
    std::sort(all.begin(), all.end());
    for (int number = 0; number < kClients * kObjectsEach; ++number)
        ASSERT_EQ(all[number], number);
}
