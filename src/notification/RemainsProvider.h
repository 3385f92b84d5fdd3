#pragma once

#include "notification/RemainsInfo.h"
#include "notification/RemainsInfoListener.h"
#include "platform/Bundle.h"

#include <functional>
#include <memory>
#include <string>
class KnowledgeBaseSimpleSearchInfo;

// Where the notification gets the leftovers of a removed application from: the
// decision whether to notify at all, the knowledge-base search and the remains
// entries that measure the leftovers. SimpleRemainsInfo and
// KnowledgeBaseSimpleSearchInfo answer these questions in the helper.
class RemainsProvider {
public:
    using OkBlock = std::function<void()>;

    virtual ~RemainsProvider() = default;

    // Calls `okBlock` once, later and on any thread, when a notification may be shown
    // for the application with this identifier; never otherwise.
    virtual void calculateIsCanShowNotificationForBundleWithID(const std::string& bundleId,
                                                               OkBlock okBlock) = 0;

    // The same question for the application itself, whatever its kind; by default it is
    // asked by the application's identifier.
    virtual void calculateIsCanShowNotificationForApp(const std::shared_ptr<platform::Bundle>& app,
                                                      OkBlock okBlock) {
        calculateIsCanShowNotificationForBundleWithID(app->bundleIdentifier().value_or(""),
                                                      std::move(okBlock));
    }

    // The leftovers the knowledge base knows for the bundle; none when it cannot be
    // loaded. Runs off the main thread and may take long.
    virtual std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(const std::shared_ptr<platform::Bundle>& bundle) = 0;

    // A new entry for the bundle, with the standard leftovers and those of the search
    // result (which may be none); it tells `listener` as its sizes arrive. Null when
    // the bundle cannot have one. Main thread only.
    virtual std::shared_ptr<RemainsInfo>
    makeRemainsInfo(const std::shared_ptr<platform::Bundle>& bundle,
                    std::weak_ptr<RemainsInfoListener> listener,
                    const std::shared_ptr<KnowledgeBaseSimpleSearchInfo>& searchResult) = 0;
};
