#include "platform/MainQueue.h"

#include "platform/Deadline.h"

namespace platform {

namespace {

constexpr auto kPredicatePollInterval = std::chrono::milliseconds(10);

// Runs a task that was taken off the queue with the lock released. Whatever the task captured
// is released here too, before the caller takes the lock again, because its destructors may
// post to the queue.
void runReleased(Task task) {
    task();
}

} // namespace

MainQueue& MainQueue::shared() {
    // Deliberately never destroyed: worker threads may still post results while the process
    // exits, and a destroyed queue would turn that into a use after free.
    static MainQueue* queue = new MainQueue("main");
    return *queue;
}

MainQueue::MainQueue(std::string label) : DispatchQueue(std::move(label)) {}

MainQueue::~MainQueue() = default;

void MainQueue::async(Task task) {
    if (!task)
        return;
    MutexLock lock(m_mutex);
    m_tasks.push_back(std::move(task));
    // Both happen under the lock: once it is free the task may run and its owner may destroy
    // this queue, or whatever the hook reaches.
    m_ready.notifyOne();
    wakeHostLocked();
}

void MainQueue::wakeHostLocked() {
    if (m_hostHook && !m_hostWoken && !m_tasks.empty()) {
        m_hostWoken = true;
        m_hostHook();
    }
}

bool MainQueue::isCurrentThread() const {
    return m_mainThread.load() == std::this_thread::get_id();
}

bool MainQueue::claimMainThread() {
    std::thread::id self = std::this_thread::get_id();
    std::thread::id expected{};
    if (m_mainThread.compare_exchange_strong(expected, self))
        return true;
    return expected == self;
}

Task MainQueue::takeTaskLocked() {
    if (m_tasks.empty())
        return {};
    Task task = std::move(m_tasks.front());
    m_tasks.pop_front();
    return task;
}

void MainQueue::run() {
    if (!claimMainThread())
        return;
    MutexLock lock(m_mutex);
    while (!m_stopRequested) {
        if (Task task = takeTaskLocked()) {
            lock.unlock();
            runReleased(std::move(task));
            lock.lock();
            continue;
        }
        while (!m_stopRequested && m_tasks.empty())
            m_ready.wait(lock);
    }
    m_stopRequested = false;
}

void MainQueue::stop() {
    MutexLock lock(m_mutex);
    m_stopRequested = true;
    m_ready.notifyAll();
}

bool MainQueue::runUntil(std::function<bool()> predicate, std::chrono::milliseconds timeout) {
    if (!claimMainThread())
        return false;
    auto holds = [&predicate] { return predicate && predicate(); };
    const auto deadline = deadlineAfter(timeout);
    while (!holds()) {
        MutexLock lock(m_mutex);
        if (Task task = takeTaskLocked()) {
            lock.unlock();
            runReleased(std::move(task));
            continue;
        }
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        const auto wakeAt = std::min(deadline, now + kPredicatePollInterval);
        while (m_tasks.empty() && m_ready.waitUntil(lock, wakeAt)) {
        }
    }
    return true;
}

std::size_t MainQueue::drain() {
    return drainFor(std::chrono::milliseconds::max());
}

std::size_t MainQueue::drainFor(std::chrono::milliseconds slice) {
    if (!claimMainThread())
        return 0;
    const auto deadline = deadlineAfter(slice);
    MutexLock lock(m_mutex);
    // Work posted from here on needs a new wake-up, since this drain will not run it.
    m_hostWoken = false;
    std::size_t ready = m_tasks.size();
    std::size_t ran = 0;
    while (ran < ready) {
        Task task = takeTaskLocked();
        if (!task)
            break;
        lock.unlock();
        runReleased(std::move(task));
        lock.lock();
        ++ran;
        if (ran < ready && std::chrono::steady_clock::now() >= deadline) {
            wakeHostLocked();
            break;
        }
    }
    return ran;
}

bool MainQueue::hasWaitingTasks() const {
    MutexLock lock(m_mutex);
    return !m_tasks.empty();
}

void MainQueue::setHostHook(HostHook wakeHost) {
    MutexLock lock(m_mutex);
    m_hostHook = std::move(wakeHost);
    m_hostWoken = false;
    wakeHostLocked();
}

} // namespace platform
