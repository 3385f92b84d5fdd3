#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace platform {

class DelayedCall;

// The one thread that waits for the deadlines of all delayed calls. It sleeps until the
// earliest deadline, or until a call with an earlier one arrives, and never wakes while nothing
// is scheduled. At process exit the thread is stopped and pending calls are discarded.
class DelayedCallTimer {
public:
    using Key = std::pair<std::chrono::steady_clock::time_point, std::uint64_t>;

    // Answers nullptr when the thread cannot be started.
    static DelayedCallTimer* shared();

    std::uint64_t nextSequence();
    void schedule(std::shared_ptr<DelayedCall> call);
    void remove(const Key& key);

private:
    DelayedCallTimer() = default;
    void work();
    void shutDown();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<Key, std::shared_ptr<DelayedCall>> m_calls;
    std::uint64_t m_sequence{0};
    bool m_stopping{false};
    std::thread m_thread;
};

} // namespace platform
