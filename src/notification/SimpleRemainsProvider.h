#pragma once

#include "notification/RemainsProvider.h"
#include "platform/Mutex.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class InstalledApplications;

// The helper's provider: SimpleRemainsInfo decides whether to notify and measures
// the standard leftovers and those of the knowledge base, which
// KnowledgeBaseSimpleSearchInfo searches. The applications installed at the time,
// which the offer's safety pass needs, are looked up beside the search, off the main
// thread, and kept until the bundle's entry is made.
class SimpleRemainsProvider : public RemainsProvider {
public:
    void calculateIsCanShowNotificationForBundleWithID(const std::string& bundleId,
                                                       OkBlock okBlock) override;
    void calculateIsCanShowNotificationForApp(const std::shared_ptr<platform::Bundle>& app,
                                              OkBlock okBlock) override;

    std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(const std::shared_ptr<platform::Bundle>& bundle) override;

    std::shared_ptr<RemainsInfo>
    makeRemainsInfo(const std::shared_ptr<platform::Bundle>& bundle,
                    std::weak_ptr<RemainsInfoListener> listener,
                    const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>& searchResult) override;

private:
    static constexpr std::size_t kKeptLookups = 16;

    // Searches run on the search queue, the panel asks on the main thread.
    platform::Mutex m_lock;
    // Oldest first, by bundle path.
    std::vector<std::pair<std::string, std::shared_ptr<const InstalledApplications>>>
        m_installed GUARDED_BY(m_lock);
};
