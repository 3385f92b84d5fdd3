#include "platform/GlobalQueue.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <utility>

namespace platform {

namespace {

constexpr unsigned kFewestThreads = 4;
constexpr unsigned kMostThreads = 16;

thread_local const GlobalQueue* t_poolOfThisThread = nullptr;

} // namespace

GlobalQueue& GlobalQueue::shared() {
    // Never destroyed, so that posting during exit is harmless; its threads are joined by an
    // exit handler instead.
    static GlobalQueue* queue = [] {
        unsigned cores = std::thread::hardware_concurrency();
        auto* made = new GlobalQueue(std::clamp(cores, kFewestThreads, kMostThreads));
        std::atexit([] { GlobalQueue::shared().shutDown(); });
        return made;
    }();
    return *queue;
}

DispatchQueue& globalQueue() {
    return GlobalQueue::shared();
}

GlobalQueue::GlobalQueue(std::size_t threadCount) : DispatchQueue("global") {
    // The threads only wait on the lock until the pool is complete, so none of them sees the
    // vector while it grows.
    MutexLock lock(m_mutex);
    for (std::size_t i = 0; i < threadCount; ++i) {
        try {
            m_threads.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

void GlobalQueue::async(Task task) {
    if (!task)
        return;
    {
        MutexLock lock(m_mutex);
        if (m_stopping)
            return;
        if (!m_threads.empty()) {
            m_tasks.push_back(std::move(task));
            m_ready.notifyOne();
            return;
        }
    }
    // Not a single thread could be started: running the task here beats never running it.
    task();
}

bool GlobalQueue::isCurrent() const {
    return t_poolOfThisThread == this;
}

void GlobalQueue::work() {
    t_poolOfThisThread = this;
    MutexLock lock(m_mutex);
    while (true) {
        while (!m_stopping && m_tasks.empty())
            m_ready.wait(lock);
        if (m_stopping)
            break;
        Task task = std::move(m_tasks.front());
        m_tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
    }
}

void GlobalQueue::shutDown() {
    {
        // The discarded tasks' captures may post here again, which is harmless once stopping.
        MutexLock lock(m_mutex);
        m_stopping = true;
        lock.releaseAfterUnlock(std::exchange(m_tasks, {}));
        m_ready.notifyAll();
    }
    for (std::thread& thread : m_threads) {
        // A second call (the program's own, then the exit handler's) finds them joined.
        if (!thread.joinable())
            continue;
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
    }
}

} // namespace platform
