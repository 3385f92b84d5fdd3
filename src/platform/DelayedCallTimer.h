#pragma once

#include "platform/ConditionVariable.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
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

    std::uint64_t nextSequence() EXCLUDES(m_mutex);
    void schedule(std::shared_ptr<DelayedCall> call) EXCLUDES(m_mutex);
    void remove(const Key& key) EXCLUDES(m_mutex);

private:
    DelayedCallTimer() = default;
    void work() EXCLUDES(m_mutex);
    void shutDown() EXCLUDES(m_mutex);

    Mutex m_mutex;
    ConditionVariable m_changed;
    std::map<Key, std::shared_ptr<DelayedCall>> m_calls GUARDED_BY(m_mutex);
    std::uint64_t m_sequence GUARDED_BY(m_mutex){0};
    bool m_stopping GUARDED_BY(m_mutex){false};
    // Set once when the timer is made and read only by shutDown(); the thread never uses it.
    std::thread m_thread;
};

} // namespace platform
