#pragma once

#include "platform/Bundle.h"
#include "search/InstalledApplications.h"
#include "search/OfferReason.h"
#include "search/OfferSafetyPass.h"
#include "search/OfferSizeTotal.h"
#include "search/SimpleRemainsInfoListener.h"
#include "search/SimpleSizeCalculationTaskListener.h"
#include "shell/PathForRemove.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class KnowledgeBaseSimpleSearchInfo;

// The paths a removed application leaves behind: its bundles, the standard places in
// the user's Library named after its identifier or executable, and whatever the
// knowledge base adds. Each path is taken once and measured in the background; the
// listener hears about every size that arrives.
//
// Everything here runs on the main thread.
class SimpleRemainsInfo : public SimpleSizeCalculationTaskListener,
                          public std::enable_shared_from_this<SimpleRemainsInfo> {
public:
    enum class Kind { File, Prefix };

    // One standard place: a file or folder home/subPath/name+extension (Kind::File),
    // or every entry of home/subPath whose name starts with name and ends with
    // extension (Kind::Prefix). The name is the bundle identifier or the bundle name.
    struct StandardLocation {
        Kind kind;
        const char* subPath;
        enum class Name { BundleId, BundleName } name;
        const char* extension;
        std::int32_t group;
    };
    static const std::vector<StandardLocation>& standardLocations();

    // An item the safety pass turned away, and why.
    struct DroppedOffer {
        std::string path;
        std::string reason;
        std::string why;
    };

    // Null without a bundle. Takes the bundle and the standard remains and starts
    // measuring them; the sizes arrive later on the main queue. Every item passes the
    // safety pass first, which weighs it against the `installed` applications (none:
    // nothing is known to be installed).
    static std::shared_ptr<SimpleRemainsInfo>
    create(std::shared_ptr<const platform::Bundle> bundle,
           std::weak_ptr<SimpleRemainsInfoListener> listener,
           std::shared_ptr<const InstalledApplications> installed = nullptr);

    // Takes a further copy of the application, when its identifier is ours.
    void addBundle(const platform::Bundle& bundle);
    void appendKnowledgeBaseInfo(const KnowledgeBaseSimpleSearchInfo& info);
    // The application's own records, then the others, each in the order taken.
    void addRemoveObjectPathsToArray(std::vector<std::shared_ptr<PathForRemove>>& array) const;

    // What removing every taken path frees: each file once, as du -s counts them.
    std::uint64_t getTotalSize() const { return m_nTotalSize; }
    const std::vector<DroppedOffer>& droppedOffers() const { return m_dropped; }
    // How many of the taken paths have not been measured yet.
    std::size_t pendingSizeCount() const { return m_pendingTasks.size(); }
    const std::string& appName() const { return m_sBundleName; }
    // The name people know the application by: an application of another kind's own
    // name, else appName().
    std::string displayName() const;
    const std::optional<std::string>& bundleId() const { return m_sBundleID; }
    const std::string& mainPath() const { return m_mainPath; }
    const std::set<std::string>& addedPaths() const { return m_addedPaths; }
    void setAddedPaths(std::set<std::string> paths) { m_addedPaths = std::move(paths); }

    // folder/fileName standardised, when that lies strictly inside `folder`; none
    // otherwise, and for names holding a NUL byte, which the file system would cut.
    std::optional<std::string> createSafeToDeletePathInFolder(const std::string& folder,
                                                              const std::string& fileName) const;

    // Answers, by calling `okBlock` once on the main queue, that a notification may be
    // shown for an application with this identifier: no other copy is installed. Never
    // calls it otherwise. Call it on the main thread.
    static void calculateIsCanShowNotificationForBundleWithID(const std::string& bundleId,
                                                              std::function<void()> okBlock);
    // The same for the application itself: for an application of another kind its kind's
    // check runs on the global queue, with InstalledCopyCheck's time limit.
    static void calculateIsCanShowNotificationForApp(std::shared_ptr<const platform::Bundle> app,
                                                     std::function<void()> okBlock);

    void onSimpleSizeCalculationTaskComplete(
        const std::shared_ptr<SimpleSizeCalculationTask>& task) override;

private:
    SimpleRemainsInfo(std::shared_ptr<const platform::Bundle> bundle,
                      std::weak_ptr<SimpleRemainsInfoListener> listener,
                      std::shared_ptr<const InstalledApplications> installed);

    void findRemains();
    void addFileWithSubPath(const std::string& subPath, const std::string& name,
                            const std::string& ext, std::int32_t type, const OfferReason& reason);
    void addPath(const std::string& path, std::int32_t type, const OfferReason& reason);
    // Entries beside `path` whose names differ from its name only in case.
    void addCaseVariants(const std::string& path, std::int32_t type, const OfferReason& reason);
    // Entries of the sub-folder whose names begin with `prefix` and end with `suffix`,
    // ignoring case; with `wholeParts`, a dot must follow the prefix.
    void addPathInSubFolder(const std::string& subPath, const std::string& prefix,
                            const std::string& suffix, std::int32_t type, const OfferReason& reason,
                            bool wholeParts = false);
    void addPathForRemove(const std::string& path, std::int32_t type, const OfferReason& reason);
    // Takes a path, unless it lies inside one already taken, which then stands for it;
    // paths already taken that lie inside it give up their place to it.
    void takePath(const std::string& path, std::int32_t type, const OfferReason& reason);
    std::shared_ptr<PathForRemove> recordAt(const std::string& path) const;
    void addReasons(const std::shared_ptr<PathForRemove>& record,
                    const std::vector<OfferReason>& reasons);
    std::vector<OfferReason> takeBackRecord(const std::shared_ptr<PathForRemove>& record);
    void addSizeOfPath(const std::shared_ptr<PathForRemove>& record);
    void updateSize();

    std::weak_ptr<SimpleRemainsInfoListener> m_pListener;
    std::optional<std::string> m_sBundleID;
    std::string m_sBundleName;
    std::vector<std::shared_ptr<PathForRemove>> m_arrAppObjectPaths;
    std::vector<std::shared_ptr<PathForRemove>> m_arrRemainsObjectPaths;
    std::uint64_t m_nTotalSize{0};
    std::string m_homePath;
    std::string m_mainPath;
    std::set<std::string> m_addedPaths;
    // The record each running size task measures, so that its size can be stored.
    std::map<std::shared_ptr<SimpleSizeCalculationTask>, std::shared_ptr<PathForRemove>>
        m_pendingTasks;
    std::shared_ptr<const platform::Bundle> m_bundle;
    OfferSafetyPass m_pass;
    std::map<const PathForRemove*, std::vector<OfferReason>> m_reasons;
    std::vector<DroppedOffer> m_dropped;
    OfferSizeTotal m_sizes;
};
