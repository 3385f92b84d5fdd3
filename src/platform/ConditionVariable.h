#pragma once

#include "platform/Mutex.h"

#include <chrono>
#include <condition_variable>

namespace platform {

// A condition variable for a MutexLock. Waits have no predicate argument: the caller loops
// on its condition in its own body, where the lock analysis can see that the guarded state
// it reads is read under the lock.
class ConditionVariable {
public:
    void notifyOne() { m_native.notify_one(); }
    void notifyAll() { m_native.notify_all(); }

    void wait(MutexLock& lock) { m_native.wait(lock.m_lock); }

    // Answers false when `deadline` has passed.
    template <typename Clock, typename Duration>
    bool waitUntil(MutexLock& lock, const std::chrono::time_point<Clock, Duration>& deadline) {
        return m_native.wait_until(lock.m_lock, deadline) == std::cv_status::no_timeout;
    }

private:
    std::condition_variable m_native;
};

} // namespace platform
