#include "platform/DelayedCallTimer.h"

#include "platform/DelayedCall.h"

#include <cstdlib>
#include <system_error>
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
    std::lock_guard lock(m_mutex);
    return ++m_sequence;
}

void DelayedCallTimer::schedule(std::shared_ptr<DelayedCall> call) {
    std::lock_guard lock(m_mutex);
    if (m_stopping)
        return;
    auto it = m_calls.emplace(Key{call->m_deadline, call->m_sequence}, std::move(call)).first;
    if (it == m_calls.begin())
        m_changed.notify_one();
}

void DelayedCallTimer::remove(const Key& key) {
    // Declared before the lock, so that the reference is dropped once the lock is free.
    std::shared_ptr<DelayedCall> removed;
    std::lock_guard lock(m_mutex);
    auto it = m_calls.find(key);
    if (it == m_calls.end())
        return;
    removed = std::move(it->second);
    m_calls.erase(it);
}

void DelayedCallTimer::work() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_calls.empty()) {
            m_changed.wait(lock);
            continue;
        }
        auto now = std::chrono::steady_clock::now();
        auto earliest = m_calls.begin()->first.first;
        if (now < earliest) {
            m_changed.wait_until(lock, earliest);
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
    std::map<Key, std::shared_ptr<DelayedCall>> discarded;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        discarded.swap(m_calls);
        m_changed.notify_all();
    }
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else if (m_thread.joinable())
        m_thread.join();
}

} // namespace platform
