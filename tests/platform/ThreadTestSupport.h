#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

// Generous bound for every wait in the thread tests: long enough for a loaded machine under
// ThreadSanitizer, short enough that a hang fails the run.
inline constexpr auto kPatience = std::chrono::seconds(10);

// Ends the process with a message if a test is still inside the watchdog's scope after
// `limit`, so that a deadlock fails the run instead of hanging it.
class Watchdog {
public:
    explicit Watchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(30))
        : m_thread([this, what = std::move(what), limit] {
              std::unique_lock lock(m_mutex);
              if (!m_disarmed.wait_for(lock, limit, [this] { return m_done; })) {
                  std::fprintf(stderr, "watchdog: %s is still running after %llds\n", what.c_str(),
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
            m_disarmed.notify_all();
        }
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_disarmed;
    bool m_done{false};
    std::thread m_thread;
};

// A one-way signal between threads whose wait gives up after a bound.
class Flag {
public:
    void raise() {
        {
            std::lock_guard lock(m_mutex);
            m_raised = true;
            m_changed.notify_all();
        }
    }

    bool wait(std::chrono::milliseconds limit = kPatience) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_raised; });
    }

    bool isRaised() {
        std::lock_guard lock(m_mutex);
        return m_raised;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_raised{false};
};

} // namespace testing_support
