#include "search/KnowledgeBaseSearchQueue.h"

#include "knowledge/KnowledgeBaseData.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"

#include <algorithm>
#include <utility>

KnowledgeBaseSearchQueue& KnowledgeBaseSearchQueue::shared() {
    // Never destroyed: searches still running at exit may finish into it.
    static auto* queue = new KnowledgeBaseSearchQueue;
    return *queue;
}

void KnowledgeBaseSearchQueue::async(Search search, Completion completion) {
    if (!search || !completion)
        return;
    {
        platform::MutexLock lock(m_mutex);
        if (m_stopped)
            return;
        if (m_running >= kMaxRunningSearches) {
            m_waiting.emplace_back(std::move(search), std::move(completion));
            return;
        }
        ++m_running;
        m_mostRunning = std::max(m_mostRunning, m_running);
    }
    platform::globalQueue().async(
        [this, job = std::make_shared<Job>(std::move(search), std::move(completion))]() mutable {
            run(std::move(*job));
        });
}

// A finished search makes room for the next waiting one on the same thread, so the place is
// never given up and taken again.
void KnowledgeBaseSearchQueue::run(Job job) {
    while (true) {
        std::shared_ptr<KnowledgeBaseSimpleSearchInfo> result = job.first();
        // The main thread only reads the found items. The cache usually keeps the
        // knowledge base; when it has let it go meanwhile, it is freed here, after the
        // result is on its way.
        std::shared_ptr<const KnowledgeBaseData> data = result ? result->takeData() : nullptr;
        platform::MainQueue::shared().async([completion = std::move(job.second),
                                             result = std::move(result)] { completion(result); });
        data.reset();
        job = Job();

        platform::MutexLock lock(m_mutex);
        if (m_stopped || m_waiting.empty()) {
            --m_running;
            return;
        }
        job = std::move(m_waiting.front());
        m_waiting.pop_front();
    }
}

void KnowledgeBaseSearchQueue::stop() {
    platform::MutexLock lock(m_mutex);
    m_stopped = true;
    // Their captures may hold a bundle's last owner.
    lock.releaseAfterUnlock(std::exchange(m_waiting, {}));
}

std::size_t KnowledgeBaseSearchQueue::mostRunningAtOnce() const {
    platform::MutexLock lock(m_mutex);
    return m_mostRunning;
}
