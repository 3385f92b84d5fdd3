#include "platform/DelayedCallTimer.h"

#include "platform/DelayedCall.h"

#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

namespace platform {

DelayedCallTimer* DelayedCallTimer::shared() {
    // Never destroyed, so that a delayed call made during exit finds the timer stopped rather
    // than gone.
    static DelayedCallTimer* timer = []() -> DelayedCallTimer* {
        auto* made = new DelayedCallTimer();
        try {
            made->m_thread = std::thread([made] { made->work(); });
        } catch (const std::system_error&) {
            delete made;
            return nullptr;
        }
        std::atexit([] { DelayedCallTimer::shared()->shutDown(); });
        return made;
    }();
    return timer;
}

std::uint64_t DelayedCallTimer::nextSequence() {
    MutexLock lock(m_mutex);
    return ++m_sequence;
}

void DelayedCallTimer::schedule(std::shared_ptr<DelayedCall> call) {
    MutexLock lock(m_mutex);
    if (m_stopping)
        return;
    auto it = m_calls.emplace(Key{call->m_deadline, call->m_sequence}, std::move(call)).first;
    if (it == m_calls.begin())
        m_changed.notifyOne();
}

void DelayedCallTimer::remove(const Key& key) {
    MutexLock lock(m_mutex);
    auto it = m_calls.find(key);
    if (it == m_calls.end())
        return;
    // The call may hold the last reference to what it would have run.
    lock.releaseAfterUnlock(std::move(it->second));
    m_calls.erase(it);
}

void DelayedCallTimer::work() {
    MutexLock lock(m_mutex);
    while (!m_stopping) {
        if (m_calls.empty()) {
            m_changed.wait(lock);
            continue;
        }
        auto now = std::chrono::steady_clock::now();
        auto earliest = m_calls.begin()->first.first;
        if (now < earliest) {
            m_changed.waitUntil(lock, earliest);
            continue;
        }
        std::vector<std::shared_ptr<DelayedCall>> due;
        while (!m_calls.empty() && m_calls.begin()->first.first <= now) {
            due.push_back(std::move(m_calls.begin()->second));
            m_calls.erase(m_calls.begin());
        }
        lock.unlock();
        for (const auto& call : due)
            call->fire();
        due.clear();
        lock.lock();
    }
}

void DelayedCallTimer::shutDown() {
    {
        MutexLock lock(m_mutex);
        m_stopping = true;
        lock.releaseAfterUnlock(std::exchange(m_calls, {}));
        m_changed.notifyAll();
    }
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else if (m_thread.joinable())
        m_thread.join();
}

} // namespace platform
