#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// Bound for every wait in the thread tests: long enough for a loaded machine under
// ThreadSanitizer, short enough that a hang fails the run.
inline constexpr std::chrono::milliseconds kPatience = std::chrono::seconds(10);

// A one-way signal between threads whose wait gives up after a bound. It notifies under its
// lock, because the waiter may destroy it as soon as it sees it raised.
class Flag {
public:
    void raise() {
        std::lock_guard lock(m_mutex);
        m_raised = true;
        m_changed.notify_all();
    }
    bool wait(std::chrono::milliseconds limit = kPatience) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_raised; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised{false};
};

// Ends the process if the test is still inside the watchdog's scope after `limit`, so that a
// deadlock fails the run instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(30))
        : m_thread([this, what = std::move(what), limit] {
              if (!m_disarmed.wait(limit)) {
                  std::fprintf(stderr, "watchdog: %s hangs\n", what.c_str());
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        m_disarmed.raise();
        m_thread.join();
    }

private:
    Flag m_disarmed;
    std::thread m_thread;
};

// Tasks record (producer, sequence number); each producer's records must come in the order it
// posted them, and all of them must be there.
using Record = std::pair<int, int>;

inline void expectOrderPerProducer(const std::vector<Record>& records,
                                   const std::vector<int>& counts) {
    std::vector<int> next(counts.size(), 0);
    for (const auto& [producer, sequence] : records) {
        ASSERT_EQ(sequence, next[producer]) << "producer " << producer;
        ++next[producer];
    }
    EXPECT_EQ(next, counts);
}

} // namespace testing_support
