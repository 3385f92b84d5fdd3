#pragma once

#include "platform/Bundle.h"
#include "search/ApplicationNames.h"
#include "search/KnowledgeBasePathSearcher.h"
#include "search/SearchRuleSeparator.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class DepFileItem;
class DomainIdentifier;
class FileItem;
class KnowledgeBaseCache;
class KnowledgeBaseData;
class KnowledgeRecord;
class KnowledgeRecordGroup;
class SystemSkipList;

// What the knowledge base knows about one removed application: the leftovers found,
// in the order found, and the roots of the trees they were found in. The roots are
// kept because an item builds its path through its parents, which it holds only
// weakly; the trees of a rule's walk in which no item was found are dropped after it.
//
// The search takes the knowledge base from the cache (KnowledgeBaseCache), runs every
// rule with this object as separator and then adds the records of the application's
// domain. It only reads the knowledge base: which records it has met it notes itself.
// A result is filled completely by generateForBundle() and only read afterwards, so
// searches for several applications may run at once on different threads, sharing one
// knowledge base.
class KnowledgeBaseSimpleSearchInfo final
    : public SearchRuleSeparator,
      public std::enable_shared_from_this<KnowledgeBaseSimpleSearchInfo> {
public:
    // An empty result for `bundle`, with its name and identifier filled in; null
    // without a bundle. The search fills the item lists afterwards.
    static std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    create(std::shared_ptr<const platform::Bundle> bundle);

    // The finished search result for `bundle`, or null when no knowledge base can be
    // loaded. Runs synchronously; call it off the main thread.
    static std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(std::shared_ptr<const platform::Bundle> bundle);
    // The same with the containers that `searcher` names, kept by `cache` (the shared
    // one when null).
    static std::shared_ptr<KnowledgeBaseSimpleSearchInfo>
    generateForBundle(std::shared_ptr<const platform::Bundle> bundle,
                      const KnowledgeBasePathSearcher& searcher,
                      KnowledgeBaseCache* cache = nullptr);

    // CFBundleExecutable when it is a string, even an empty one; otherwise the bundle
    // folder's name without its extension.
    static std::string bundleNameForBundle(const platform::Bundle& bundle);

    // Whether an entry named `name` (with extension), directly in a walked folder,
    // belongs to the application by its name (ApplicationNames). Without an
    // identifier nothing belongs.
    static bool isNameOfApplication(const std::string& name,
                                    const std::optional<std::string>& bundleId,
                                    const std::optional<std::string>& bundleName);

    // Null once taken.
    const std::shared_ptr<const KnowledgeBaseData>& data() const { return m_data; }
    // Hands over the knowledge base the search used. The found items do not need it;
    // when the result holds the last reference (the cache has let it go), releasing it
    // frees some 300,000 blocks, which the caller should do on a background queue
    // rather than wherever the result ends up.
    std::shared_ptr<const KnowledgeBaseData> takeData();
    const std::shared_ptr<const platform::Bundle>& bundle() const { return m_bundle; }
    const std::optional<std::string>& bundleName() const { return m_bundleName; }
    const std::optional<std::string>& bundleId() const { return m_bundleId; }
    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_domainIdentifier;
    }

    const std::vector<std::shared_ptr<DepFileItem>>& relatedDepItems() const {
        return m_relatedDepItems;
    }
    void setRelatedDepItems(std::vector<std::shared_ptr<DepFileItem>> items) {
        m_relatedDepItems = std::move(items);
    }

    const std::vector<std::shared_ptr<FileItem>>& rootItems() const { return m_rootItems; }
    void setRootItems(std::vector<std::shared_ptr<FileItem>> items) {
        m_rootItems = std::move(items);
    }

    void saveFileItemsTree(const std::shared_ptr<FileItem>& root) override;
    std::size_t keptItemCount() const override { return m_relatedDepItems.size(); }
    // Takes the item only when the knowledge base files it under this application.
    bool addSystemDepItem(const std::shared_ptr<DepFileItem>& item) override;
    bool
    addDepItemToDomainIdentifier(const std::shared_ptr<DepFileItem>& item,
                                 const std::shared_ptr<const DomainIdentifier>& domain) override;
    // Refuses every item below an accepted one; otherwise decides by the knowledge
    // base, then by the item's name.
    bool addDepItemWithParentDepItem(const std::shared_ptr<DepFileItem>& item,
                                     const std::shared_ptr<DepFileItem>& parent) override;

private:
    explicit KnowledgeBaseSimpleSearchInfo(std::shared_ptr<const platform::Bundle> bundle);

    enum class RecordCheck { notInKnowledgeBase, handled };

    // Runs the rules, then takes the records of the application's domain.
    void search();
    // What the knowledge base says about the item's path. A path it files under this
    // application is taken with the record's group; one it files as a system item or
    // under another domain is handled without being taken.
    RecordCheck checkKnowledgeRecords(const std::shared_ptr<DepFileItem>& item);
    // Calls `action` for every record whose path is the file's full path, newest first,
    // and notes each one as met.
    template <class Action> void forEachRecordOfFile(FileItem& file, Action&& action);
    bool belongsToApplication(const KnowledgeRecord& record);
    bool isApplicationDomain(const std::shared_ptr<const DomainIdentifier>& domain) const;
    // Drops the trees loaded since the first `firstRoot` in which no item taken since
    // the first `firstItem` lies.
    void dropTreesWithoutItems(std::size_t firstRoot, std::size_t firstItem);
    void addRecordsOfApplicationDomain();
    void addRecordedItems(const KnowledgeRecord& record, const std::string& home,
                          const SystemSkipList* skipList);

    std::shared_ptr<const KnowledgeBaseData> m_data;
    std::shared_ptr<const platform::Bundle> m_bundle;
    ApplicationNames m_names;
    std::optional<std::string> m_bundleName;
    std::optional<std::string> m_bundleId;
    std::shared_ptr<const DomainIdentifier> m_domainIdentifier;
    std::vector<std::shared_ptr<DepFileItem>> m_relatedDepItems;
    std::vector<std::shared_ptr<FileItem>> m_rootItems;
    // Whether a record group is the application's, by group, as the search learns it.
    std::unordered_map<const KnowledgeRecordGroup*, bool> m_groupBelongs;
    const KnowledgeRecordGroup* m_lastGroup{nullptr};
    // The application's records the rule pass has met, which the record pass leaves out.
    // Kept here, not in the shared records, so that searches running at once do not mix.
    std::unordered_set<const KnowledgeRecord*> m_metRecords;
    bool m_lastGroupBelongs{false};
};
