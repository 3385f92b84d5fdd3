#include "platform/ThreadReaper.h"

#include <cstdlib>

namespace platform {

ThreadReaper& ThreadReaper::shared() {
    // Never destroyed, so that a queue destroyed during exit can still hand over its thread.
    static ThreadReaper* reaper = [] {
        auto* made = new ThreadReaper();
        std::atexit([] { ThreadReaper::shared().joinAll(); });
        return made;
    }();
    return *reaper;
}

void ThreadReaper::adopt(std::thread thread, std::shared_ptr<const std::atomic<bool>> finished) {
    std::vector<Orphan> done;
    {
        MutexLock lock(m_mutex);
        if (m_joinedAll) {
            thread.detach();
            return;
        }
        for (auto it = m_orphans.begin(); it != m_orphans.end();) {
            if (it->finished->load()) {
                done.push_back(std::move(*it));
                it = m_orphans.erase(it);
            } else {
                ++it;
            }
        }
        m_orphans.push_back({std::move(thread), std::move(finished)});
    }
    for (Orphan& orphan : done)
        orphan.thread.join();
}

void ThreadReaper::joinAll() {
    std::vector<Orphan> orphans;
    {
        MutexLock lock(m_mutex);
        orphans.swap(m_orphans);
        m_joinedAll = true;
    }
    for (Orphan& orphan : orphans) {
        if (orphan.thread.get_id() == std::this_thread::get_id())
            orphan.thread.detach();
        else
            orphan.thread.join();
    }
}

} // namespace platform
