#pragma once

#include "platform/ConditionVariable.h"
#include "platform/DispatchQueue.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <thread>

namespace platform {

// The queue of the main thread. It has no thread of its own: whoever owns the main thread
// drives it, either with run() (a plain loop), runUntil() (tests) or drain() (called by a host
// event loop that the host hook wakes). Tasks run one at a time in the order they were posted.
//
// The main thread is the first thread that drives the queue (run, runUntil or drain); that
// binding is permanent. Before it happens no thread counts as the main thread, so sync() from
// any thread waits for the first drive. Calls to run, runUntil or drain from any other thread
// do nothing and answer false or 0, so tasks of one main queue never run on two threads.
class MainQueue : public DispatchQueue {
public:
    using HostHook = std::function<void()>;

    // The process's main queue. It is never destroyed, so any thread may post to it until the
    // very end of the process.
    static MainQueue& shared();

    // A private main queue, for tests and hosts that need one of their own; the helper's code
    // uses shared(). Delayed calls and group notifications aimed at it must not outlive it.
    explicit MainQueue(std::string label = "main");
    ~MainQueue() override;

    void async(Task task) override EXCLUDES(m_mutex);
    bool isCurrent() const override { return isCurrentThread(); }

    bool isCurrentThread() const;

    // Runs tasks until stop() is called. stop() ends the innermost active run(); called while
    // no run() is active, it makes the next run() return at once.
    void run() EXCLUDES(m_mutex);
    void stop() EXCLUDES(m_mutex);

    // Runs tasks until `predicate` holds, checking it before waiting, after every task and at
    // least every 10 ms. Answers false when `timeout` passes first; an empty predicate never
    // holds. The timeout is a watchdog and is not affected by the time scale.
    bool runUntil(std::function<bool()> predicate, std::chrono::milliseconds timeout)
        EXCLUDES(m_mutex);

    // Runs the tasks that are ready now, not those posted meanwhile, so that a task that posts
    // itself again cannot starve the host; answers how many ran.
    std::size_t drain() EXCLUDES(m_mutex);
    // The same, but stops once `slice` has passed and leaves the rest for the next wake-up
    // (it wakes the host again), so that a burst of tasks does not keep the host's other
    // events (the bus, input, painting) waiting behind it.
    std::size_t drainFor(std::chrono::milliseconds slice) EXCLUDES(m_mutex);

    // Whether tasks are posted and not yet started: work that the current one may leave
    // for the end of the queue rather than repeat for each of them.
    bool hasWaitingTasks() const EXCLUDES(m_mutex);

    // `wakeHost` is called, from whichever thread posts, whenever work becomes ready while no
    // wake-up is outstanding; the host answers by calling drain() on the main thread. Wake-ups
    // are coalesced until the next drain() begins, and installing a hook while work is waiting
    // wakes the host at once. The hook runs under the queue's lock, so no task it announces can
    // start before it returns and no call is still under way once setHostHook() has returned;
    // it must therefore only schedule the drain (post an event to the host loop) and never call
    // into this queue. An empty hook removes it.
    void setHostHook(HostHook wakeHost) EXCLUDES(m_mutex);

private:
    bool claimMainThread();
    // The next task, taken off the list; empty when there is none.
    Task takeTaskLocked() REQUIRES(m_mutex);
    void wakeHostLocked() REQUIRES(m_mutex);

    std::atomic<std::thread::id> m_mainThread{};
    mutable Mutex m_mutex;
    ConditionVariable m_ready;
    std::deque<Task> m_tasks GUARDED_BY(m_mutex);
    HostHook m_hostHook GUARDED_BY(m_mutex);
    bool m_hostWoken GUARDED_BY(m_mutex){false};
    bool m_stopRequested GUARDED_BY(m_mutex){false};
};

} // namespace platform
