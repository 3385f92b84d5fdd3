#include "platform/GlobalQueue.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

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
    std::lock_guard lock(m_mutex);
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
        std::lock_guard lock(m_mutex);
        if (m_stopping)
            return;
        if (!m_threads.empty()) {
            m_tasks.push_back(std::move(task));
            m_ready.notify_one();
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
    std::unique_lock lock(m_mutex);
    while (true) {
        m_ready.wait(lock, [this] { return m_stopping || !m_tasks.empty(); });
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
    std::deque<Task> discarded;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        discarded.swap(m_tasks);
        m_ready.notify_all();
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
    // Destroyed last and outside the lock: their captures may post here again, which is now
    // harmless.
    discarded.clear();
}

} // namespace platform
