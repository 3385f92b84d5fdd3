#include "search/SpotlightEasySearch.h"

#include "platform/MainQueue.h"

#include <chrono>
#include <cmath>
#include <set>

namespace {

// Only touched on the main thread.
std::set<std::shared_ptr<SpotlightEasySearch>>& runningSearches() {
    static std::set<std::shared_ptr<SpotlightEasySearch>> searches;
    return searches;
}

} // namespace

std::shared_ptr<SpotlightEasySearch> SpotlightEasySearch::create() {
    return std::shared_ptr<SpotlightEasySearch>(new SpotlightEasySearch());
}

void SpotlightEasySearch::startQuery(const std::string& predicateFormat) {
    startQuery(predicateFormat, {});
}

void SpotlightEasySearch::startQuery(const std::string& predicateFormat,
                                     const std::vector<std::string>& folders) {
    auto self = shared_from_this();
    const bool understood = m_pMetadataQuery->setPredicateFromFormat(predicateFormat);
    // Without folders the index's default scope stays, and that is none: the index
    // only knows the folders it is asked to search.
    if (!folders.empty())
        m_pMetadataQuery->setSearchScopes(folders);
    SavePointer(self);

    // The finish notice reaches the search through the notification centre, which
    // holds its observers weakly.
    std::weak_ptr<SpotlightEasySearch> observer = self;
    const MetadataQuery* object = m_pMetadataQuery.get();
    const bool started = understood && m_pMetadataQuery->startQuery([observer, object] {
        FinishNotification notification{object};
        if (auto search = observer.lock())
            search->endSearchingNotify(&notification);
    });
    if (!started) {
        endSearchingNotify(nullptr);
        return;
    }
    const double seconds = std::isfinite(m_maxWaitTime) ? std::max(m_maxWaitTime, 0.0) : 0.0;
    // The running searches' list keeps the search alive until it ends; the time limit holds
    // it weakly, since the search holds the time limit: a strong hold both ways would keep
    // both forever once the list is gone, as at exit during a search.
    m_timeout = platform::DelayedCall::after(
        std::chrono::milliseconds(static_cast<long long>(std::min(seconds, 1e9) * 1000.0)),
        platform::MainQueue::shared(), [observer] {
            if (auto search = observer.lock())
                search->stopQuery();
        });
}

void SpotlightEasySearch::stopQuery() {
    endSearchingNotify(nullptr);
}

void SpotlightEasySearch::endSearchingNotify(const FinishNotification* notification) {
    if (notification && notification->object != m_pMetadataQuery.get())
        return;
    auto self = shared_from_this();
    if (!m_pMetadataQuery->isStopped())
        m_pMetadataQuery->stopQuery();
    if (m_pResultBlock) {
        ResultBlock block = std::move(m_pResultBlock);
        m_pResultBlock = nullptr;
        block(self, *m_pMetadataQuery);
    }
    // The search has ended, so the time limit has nothing left to stop; cancelling
    // it lets the search go now instead of after the full wait.
    if (m_timeout) {
        m_timeout->cancel();
        m_timeout.reset();
    }
    RemovePointer(self);
}

void SpotlightEasySearch::SavePointer(const std::shared_ptr<SpotlightEasySearch>& search) {
    if (search)
        runningSearches().insert(search);
}

void SpotlightEasySearch::RemovePointer(const std::shared_ptr<SpotlightEasySearch>& search) {
    runningSearches().erase(search);
}

std::size_t SpotlightEasySearch::runningSearchCount() {
    return runningSearches().size();
}
