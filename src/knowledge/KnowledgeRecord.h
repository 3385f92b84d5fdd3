#pragma once

#include "knowledge/KnowledgeRecordArena.h"
#include "knowledge/KnowledgeRecordGroup.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One path the knowledge base lists for a domain. Records with the same last path
// component form a chain through nextRecord(), newest first.
//
// A knowledge base holds about a hundred thousand records, made while it loads and read
// until it goes, so they are plain values: each lies in the arena of the knowledge base
// that made it, and is valid exactly as long as that arena. A record names its group and
// the next record of its chain without owning them; whoever makes records keeps their
// groups alive as long as the arena. Releasing them is releasing the arena's blocks,
// however long the chains.
//
// The path is most of a record's size, and most of a path is its folder, which many
// records share (a few dozen folders of the Library hold nearly all of them): the record
// keeps its last component right behind it and points to its folder, which the arena
// holds once. A path under the home folder is kept without it as well.
class KnowledgeRecord {
public:
    // Makes a record in `arena`, with a copy of `path` there. A "~/" at the start of
    // `path` stands for the user's home folder.
    static KnowledgeRecord* create(KnowledgeRecordArena& arena, const KnowledgeRecordGroup& group,
                                   std::string_view path, std::int32_t dependencyType,
                                   bool isSystemItem = false);
    // The same for a path already split: `folder` as the arena's internFolder() gave it for
    // the path's folder (with its last slash; without the home folder when `inHome`), and
    // `name`, the last component.
    static KnowledgeRecord* createIn(KnowledgeRecordArena& arena, const KnowledgeRecordGroup& group,
                                     const char* folder, bool inHome, std::string_view name,
                                     std::int32_t dependencyType, bool isSystemItem = false);
    static KnowledgeRecord* createSystemItem(KnowledgeRecordArena& arena,
                                             const KnowledgeRecordGroup& group,
                                             std::string_view path) {
        return create(arena, group, path, -1, true);
    }
    KnowledgeRecord(const KnowledgeRecord&) = delete;
    KnowledgeRecord& operator=(const KnowledgeRecord&) = delete;

    bool isSystemItem() const { return m_isSystemItem; }
    // The path, with the home folder for a leading "~".
    std::string path() const;
    // Whether the path is `fullPath`, without making it.
    bool hasPath(std::string_view fullPath) const;
    // The path's last component, a view into the record: the name it is filed under.
    std::string_view name() const;
    std::int32_t dependecyType() const { return m_dependencyType; }
    bool used() const { return m_used.load(std::memory_order_relaxed); }
    void setUsed(bool used) { m_used.store(used, std::memory_order_relaxed); }
    KnowledgeRecord* nextRecord() const { return m_nextRecord; }
    void setNextRecord(KnowledgeRecord* next) { m_nextRecord = next; }
    const KnowledgeRecordGroup& group() const { return *m_group; }
    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_group->domainIdentifier();
    }
    const std::shared_ptr<const DomainIdentifier>& parentDomainIdentifier() const {
        return m_group->parentDomainIdentifier();
    }

private:
    KnowledgeRecord(const KnowledgeRecordGroup& group, const char* folder, std::size_t tailLength,
                    bool inHome, std::int32_t dependencyType, bool isSystemItem);
    std::string_view folder() const { return KnowledgeRecordArena::folderAt(m_folder); }
    // The last component and any slashes after it, which lie right behind the record.
    std::string_view tail() const {
        return {reinterpret_cast<const char*>(this + 1), m_tailLength};
    }

    // The path is the home folder when m_inHome, then the folder (up to and with the
    // slash before the last component, none for a path without one), then the tail.
    const char* m_folder;
    const KnowledgeRecordGroup* m_group;
    KnowledgeRecord* m_nextRecord{nullptr};
    std::uint32_t m_tailLength;
    // An AppDependencyGroup number, from -1 to a few dozen.
    std::int8_t m_dependencyType;
    bool m_inHome;
    bool m_isSystemItem;
    std::atomic<bool> m_used{false};
};
