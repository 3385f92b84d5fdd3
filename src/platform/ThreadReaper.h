#pragma once

#include "platform/Mutex.h"

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace platform {

// Joins worker threads that cannot be joined by their owner: a queue whose last owner lets go
// of it inside one of its own tasks is destroyed on its own thread, which cannot join itself.
// Such a thread finishes its remaining tasks by itself and raises its `finished` flag; the reaper
// joins finished threads whenever it is handed a new one, and every thread at process exit. A
// thread handed over after that last join (a queue let go of while the process exits) is
// detached: nobody is left to join it.
class ThreadReaper {
public:
    static ThreadReaper& shared();

    void adopt(std::thread thread, std::shared_ptr<const std::atomic<bool>> finished)
        EXCLUDES(m_mutex);

private:
    struct Orphan {
        std::thread thread;
        std::shared_ptr<const std::atomic<bool>> finished;
    };

    ThreadReaper() = default;
    void joinAll() EXCLUDES(m_mutex);

    Mutex m_mutex;
    std::vector<Orphan> m_orphans GUARDED_BY(m_mutex);
    bool m_joinedAll GUARDED_BY(m_mutex){false};
};

} // namespace platform
