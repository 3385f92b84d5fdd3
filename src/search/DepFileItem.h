#pragma once

#include "platform/Mutex.h"
#include "search/OfferReason.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class BundleTreeNode;
class FileItem;
class KnowledgeRecord;

// A file or folder found as a leftover of an application: the item, the dependency
// group it belongs to (an AppDependencyGroup number), the name by which it is
// attributed to an application and its place among the attribution nodes. Used by one
// thread at a time, except assosiatedBundleIdentifier(), which any thread may call.
class DepFileItem : public std::enable_shared_from_this<DepFileItem> {
    struct Token {
        explicit Token() = default;
    };

public:
    // `fileItem` may be null; the item then has no path and no name.
    static std::shared_ptr<DepFileItem> create(std::shared_ptr<FileItem> fileItem,
                                               std::int32_t group);
    DepFileItem(Token, std::shared_ptr<FileItem> fileItem, std::int32_t group);
    virtual ~DepFileItem() = default;
    DepFileItem(const DepFileItem&) = delete;
    DepFileItem& operator=(const DepFileItem&) = delete;

    // Over the same item and group with the same parent item; the rest starts afresh.
    std::shared_ptr<DepFileItem> createCopyOfDepFileItem() const;
    // The tree node stays.
    void clearSeparatorTypeAndChangeGroupType(std::int32_t group);
    // The item takes the record's dependency group; without a record nothing changes.
    void applyKnowledgeRecord(const KnowledgeRecord* record);

    const std::shared_ptr<FileItem>& getFileItem() const { return m_pFileItem; }
    // Why the item was found: the rule or record, and what tied it to the application.
    const OfferReason& reason() const { return m_reason; }
    OfferReason& reason() { return m_reason; }
    void setReason(OfferReason reason) { m_reason = std::move(reason); }
    std::int32_t getGroupType() const { return m_eType; }
    std::int32_t getCurrentSeparatorType() const { return m_eSeparatorType; }
    std::shared_ptr<BundleTreeNode> getCurrentBundleTree() const { return m_pTreeNode.lock(); }
    void setParentDepFileItem(const std::shared_ptr<DepFileItem>& parent) {
        m_pParentDepFileItem = parent;
    }

    // The item's full path; "" without an item.
    std::string getPath() const;
    // Asks the disk again; a dangling link exists.
    bool isExist() const;
    virtual bool isBundleDepItem() const { return false; }
    bool isSeparated() const { return getCurrentBundleTree() != nullptr; }

    void setNameUsedToSeparateItem(std::optional<std::string> name) {
        m_sNameUsedToSeparateItem = std::move(name);
    }
    // The stored name, else the item's name, else "".
    std::string getNameUsedToSeparateItem() const;

    // Back to unseparated: no parent item, out of its node, separator type 0.
    void prepareForReseparate();
    // Moves the item to `node` if `separatorType` is stronger than the current one
    // (compared as unsigned numbers). Below a parent item that is separated, only a
    // child node of the parent's node is allowed, unless the type is 5.
    void addToBundleTreeNode(const std::shared_ptr<BundleTreeNode>& node,
                             std::int32_t separatorType);
    void addReportMarkThatWasRemovedDueToParentFolder(const std::string& parentPath);

    // The bundle identifier of the application that owns a container folder, worked
    // out once per item.
    std::optional<std::string> assosiatedBundleIdentifier() EXCLUDES(m_lock);
    std::optional<std::string> calculateAssosiatedBundleIdentifier() const;

    bool isInSkipList() const { return m_isInSkipList.load(); }
    void setIsInSkipList(bool isInSkipList) { m_isInSkipList.store(isInSkipList); }

private:
    std::shared_ptr<FileItem> m_pFileItem;
    std::int32_t m_eType{-1};
    OfferReason m_reason;
    std::optional<std::string> m_sNameUsedToSeparateItem;
    std::weak_ptr<DepFileItem> m_pParentDepFileItem;
    std::weak_ptr<BundleTreeNode> m_pTreeNode;
    std::int32_t m_eSeparatorType{0};
    std::atomic<bool> m_isInSkipList{false};
    platform::Mutex m_lock;
    bool m_assosiatedBundleIdentifierCachedFlag GUARDED_BY(m_lock){false};
    std::optional<std::string> m_assosiatedBundleIdentifierCached GUARDED_BY(m_lock);
};
