#pragma once

#include "platform/ConditionVariable.h"
#include "platform/DispatchQueue.h"

#include <cstddef>
#include <deque>
#include <thread>
#include <vector>

namespace platform {

// The process's concurrent queue: a fixed pool of threads takes tasks in the order they were
// posted and runs as many at once as it has threads. The pool has as many threads as the
// machine has cores, but at least 4 (the work posted here reads the disk and may block) and at
// most 16.
//
// The pool is stopped when the process exits: running tasks finish, tasks that have not started
// are discarded, and later posts are discarded too.
class GlobalQueue : public DispatchQueue {
public:
    static GlobalQueue& shared();

    void async(Task task) override EXCLUDES(m_mutex);
    bool isCurrent() const override;

    std::size_t threadCount() const { return m_threads.size(); }

    // Stops the pool now rather than at exit (a program whose background work uses objects
    // that its own end frees): running tasks finish, the rest are discarded. Safe to repeat.
    void shutDown() EXCLUDES(m_mutex);

private:
    explicit GlobalQueue(std::size_t threadCount);
    void work() EXCLUDES(m_mutex);

    Mutex m_mutex;
    ConditionVariable m_ready;
    std::deque<Task> m_tasks GUARDED_BY(m_mutex);
    bool m_stopping GUARDED_BY(m_mutex){false};
    // Filled by the constructor, whose lock keeps the threads waiting until it is complete,
    // and only joined after that; never changed in between.
    std::vector<std::thread> m_threads;
};

// The global concurrent queue, for work that must stay off the main thread.
DispatchQueue& globalQueue();

} // namespace platform
