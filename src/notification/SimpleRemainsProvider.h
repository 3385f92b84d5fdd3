#pragma once

#include "notification/RemainsProvider.h"

// The helper's provider: SimpleRemainsInfo decides whether to notify and measures
// the standard leftovers and those of the knowledge base, which
// KnowledgeBaseSimpleSearchInfo searches.
class SimpleRemainsProvider : public RemainsProvider {
public:
    void calculateIsCanShowNotificationForBundleWithID(const std::string& bundleId,
                                                       OkBlock okBlock) override;

    std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(const std::shared_ptr<platform::Bundle>& bundle) override;

    std::shared_ptr<RemainsInfo>
    makeRemainsInfo(const std::shared_ptr<platform::Bundle>& bundle,
                    std::weak_ptr<RemainsInfoListener> listener,
                    const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>& searchResult) override;
};
