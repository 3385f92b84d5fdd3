#include "platform/SerialQueue.h"

#include "platform/ConditionVariable.h"
#include "platform/ThreadReaper.h"

#include <atomic>
#include <deque>
#include <system_error>

namespace platform {

// Shared by the queue and its thread, so that the thread can finish the queued tasks even when
// the queue object is already gone.
struct SerialQueue::State {
    Mutex mutex;
    ConditionVariable wake;
    std::deque<Task> tasks GUARDED_BY(mutex);
    bool closing GUARDED_BY(mutex){false};
    std::shared_ptr<std::atomic<bool>> finished{std::make_shared<std::atomic<bool>>(false)};
};

std::shared_ptr<SerialQueue> SerialQueue::create(std::string label) {
    // The reaper is made before the first thread it may have to join, so that its last join
    // is set to run at exit before the process begins to exit. Made only when a queue is let
    // go of on its own thread, as a program ends, it would be set up too late: its join would
    // run after the last checks at exit, which would find that thread finished and unjoined.
    ThreadReaper::shared();
    auto state = std::make_shared<State>();
    std::shared_ptr<SerialQueue> queue(new SerialQueue(std::move(label), state));
    try {
        queue->m_thread = std::thread([state] { work(state); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return queue;
}

SerialQueue::SerialQueue(std::string label, std::shared_ptr<State> state)
    : DispatchQueue(std::move(label)), m_state(std::move(state)) {}

SerialQueue::~SerialQueue() {
    if (!m_thread.joinable())
        return;
    {
        MutexLock lock(m_state->mutex);
        m_state->closing = true;
        m_state->wake.notifyOne();
    }
    if (m_thread.get_id() == std::this_thread::get_id())
        ThreadReaper::shared().adopt(std::move(m_thread), m_state->finished);
    else
        m_thread.join();
}

void SerialQueue::async(Task task) {
    if (!task)
        return;
    MutexLock lock(m_state->mutex);
    m_state->tasks.push_back(std::move(task));
    m_state->wake.notifyOne();
}

bool SerialQueue::isCurrent() const {
    return m_thread.get_id() == std::this_thread::get_id();
}

void SerialQueue::work(const std::shared_ptr<State>& state) {
    MutexLock lock(state->mutex);
    while (true) {
        while (!state->closing && state->tasks.empty())
            state->wake.wait(lock);
        if (state->tasks.empty())
            break;
        Task task = std::move(state->tasks.front());
        state->tasks.pop_front();
        lock.unlock();
        task();
        // Released outside the lock: the captures may own this very queue.
        task = nullptr;
        lock.lock();
    }
    lock.unlock();
    state->finished->store(true);
}

} // namespace platform
