#pragma once

#include "platform/ThreadAnnotations.h"

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform {

class ConditionVariable;

// A plain (never recursive) mutex that the compiler's lock analysis knows about. Members it
// protects are declared GUARDED_BY it; it is taken through MutexLock.
class CAPABILITY("mutex") Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() ACQUIRE() { m_native.lock(); }
    void unlock() RELEASE() { m_native.unlock(); }
    bool tryLock() TRY_ACQUIRE(true) { return m_native.try_lock(); }

private:
    friend class MutexLock;
    std::mutex m_native;
};

// Holds a Mutex for its scope. Whatever is handed to releaseAfterUnlock() is destroyed only
// once the mutex is free: guarded state whose destructor may run other code (captured
// closures, the last reference to an object that takes locks of its own) is moved there
// instead of being destroyed while the lock is held, whatever order the locals were declared in.
class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : m_lock(mutex.m_native) {}
    ~MutexLock() RELEASE() {
        if (m_lock.owns_lock())
            m_lock.unlock();
        m_released.clear();
    }

    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // Drops the mutex early (to call out of the object, or to run a task) and takes it again.
    // What was handed to releaseAfterUnlock() is destroyed at the first unlock.
    void unlock() RELEASE() {
        m_lock.unlock();
        auto released = std::move(m_released);
        released.clear();
    }
    void lock() ACQUIRE() { m_lock.lock(); }

    template <typename T> void releaseAfterUnlock(T&& value) {
        m_released.push_back(std::make_shared<std::decay_t<T>>(std::forward<T>(value)));
    }

private:
    friend class ConditionVariable;
    std::unique_lock<std::mutex> m_lock;
    std::vector<std::shared_ptr<void>> m_released;
};

} // namespace platform
