#pragma once

#include "platform/Mutex.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <utility>

class KnowledgeBaseSimpleSearchInfo;

// Runs the knowledge-base searches of removed applications on the global queue and hands each
// result to its completion on the main queue.
//
// The searches share one loaded knowledge base (KnowledgeBaseCache) and walk the same
// Library folders, so searches side by side mostly wait for the same disk. However many
// applications reach the Trash at once, at most kMaxRunningSearches searches run at a
// time; the others wait in the order they came, holding nothing but what their search
// and completion capture. Any thread may start a search.
class KnowledgeBaseSearchQueue {
public:
    using Search = std::function<std::shared_ptr<KnowledgeBaseSimpleSearchInfo>()>;
    using Completion = std::function<void(std::shared_ptr<KnowledgeBaseSimpleSearchInfo>)>;

    static constexpr std::size_t kMaxRunningSearches = 2;

    static KnowledgeBaseSearchQueue& shared();

    KnowledgeBaseSearchQueue() = default;
    KnowledgeBaseSearchQueue(const KnowledgeBaseSearchQueue&) = delete;
    KnowledgeBaseSearchQueue& operator=(const KnowledgeBaseSearchQueue&) = delete;

    // Runs `search` off the main thread once a place is free, releases the knowledge base the
    // result holds (the found items do not need it) and calls `completion` with the result,
    // null included, on the main queue.
    void async(Search search, Completion completion) EXCLUDES(m_mutex);

    // Drops the searches still waiting and refuses new ones; those already running finish.
    // For the end of the program, which should not wait for a long line of searches.
    void stop() EXCLUDES(m_mutex);

    // The most searches that have run at the same time so far.
    std::size_t mostRunningAtOnce() const EXCLUDES(m_mutex);

private:
    using Job = std::pair<Search, Completion>;

    void run(Job job) EXCLUDES(m_mutex);

    mutable platform::Mutex m_mutex;
    std::deque<Job> m_waiting GUARDED_BY(m_mutex);
    std::size_t m_running GUARDED_BY(m_mutex){0};
    std::size_t m_mostRunning GUARDED_BY(m_mutex){0};
    bool m_stopped GUARDED_BY(m_mutex){false};
};
