#pragma once

#include "platform/DelayedCall.h"
#include "search/MetadataQuery.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One search of the index with a time limit. The result block runs exactly once on
// the main queue, when gathering ends or when maxWaitTime has passed, whichever comes
// first. Running searches are kept alive by a process-wide set. Use it on the main
// thread only.
class SpotlightEasySearch : public std::enable_shared_from_this<SpotlightEasySearch> {
public:
    using ResultBlock =
        std::function<void(const std::shared_ptr<SpotlightEasySearch>&, const MetadataQuery&)>;
    // The notice that a query has finished gathering.
    struct FinishNotification {
        const MetadataQuery* object{nullptr};
    };

    static std::shared_ptr<SpotlightEasySearch> create();

    void setResultBlock(ResultBlock block) { m_pResultBlock = std::move(block); }
    void startQuery(const std::string& predicateFormat);
    void startQuery(const std::string& predicateFormat, const std::vector<std::string>& folders);
    void stopQuery();
    // Handles the end of the search; a notification about another query is ignored.
    void endSearchingNotify(const FinishNotification* notification);

    double maxWaitTime() const { return m_maxWaitTime; }
    void setMaxWaitTime(double seconds) { m_maxWaitTime = seconds; }
    const MetadataQuery& query() const { return *m_pMetadataQuery; }

    static void SavePointer(const std::shared_ptr<SpotlightEasySearch>& search);
    static void RemovePointer(const std::shared_ptr<SpotlightEasySearch>& search);
    // How many searches are running.
    static std::size_t runningSearchCount();

private:
    SpotlightEasySearch() = default;

    std::shared_ptr<MetadataQuery> m_pMetadataQuery{std::make_shared<MetadataQuery>()};
    ResultBlock m_pResultBlock;
    double m_maxWaitTime{30.0};
    std::shared_ptr<platform::DelayedCall> m_timeout;
};
