#pragma once

#include "knowledge/KnowledgeRecordArena.h"
#include "knowledge/KnowledgeRecordGroup.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

// One path the knowledge base lists for a domain. Records with the same last path
// component form a chain through nextRecord, newest first.
class KnowledgeRecord {
    // Lets only this class ask for a record whose path lies in an arena.
    struct InArena {
        explicit InArena() = default;
    };

public:
    // A "~/" at the start of `path` stands for the user's home folder. The record keeps
    // a copy of the path of its own.
    KnowledgeRecord(std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path,
                    std::int32_t dependencyType);
    static std::shared_ptr<KnowledgeRecord>
    createSystemItem(std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path);
    // The same record made in `arena`, its path included: what a knowledge base makes
    // of each of its hundred thousand files.
    static std::shared_ptr<KnowledgeRecord>
    createInArena(const std::shared_ptr<KnowledgeRecordArena>& arena,
                  std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path,
                  std::int32_t dependencyType, bool isSystemItem);
    // For createInArena only: `storedPath` already lies in the arena.
    KnowledgeRecord(InArena, std::shared_ptr<KnowledgeRecordGroup> group,
                    std::string_view storedPath, std::int32_t dependencyType, bool isSystemItem);
    // Releases the rest of the chain link by link, however long it is.
    ~KnowledgeRecord();
    KnowledgeRecord(const KnowledgeRecord&) = delete;
    KnowledgeRecord& operator=(const KnowledgeRecord&) = delete;

    bool isSystemItem() const { return m_isSystemItem; }
    std::string_view path() const { return {m_path, m_pathLength}; }
    std::int32_t dependecyType() const { return m_dependencyType; }
    bool used() const { return m_used.load(std::memory_order_relaxed); }
    void setUsed(bool used) { m_used.store(used, std::memory_order_relaxed); }
    const std::shared_ptr<KnowledgeRecord>& nextRecord() const { return m_nextRecord; }
    void setNextRecord(std::shared_ptr<KnowledgeRecord> next) { m_nextRecord = std::move(next); }
    const std::shared_ptr<KnowledgeRecordGroup>& group() const { return m_group; }
    const std::shared_ptr<const DomainIdentifier>& domainIdentifier() const {
        return m_group->domainIdentifier();
    }
    const std::shared_ptr<const DomainIdentifier>& parentDomainIdentifier() const {
        return m_group->parentDomainIdentifier();
    }

private:
    // The path's characters: the record's own allocation when m_ownsPath, otherwise
    // the arena's, which outlives the record.
    const char* m_path{nullptr};
    std::size_t m_pathLength{0};
    std::int32_t m_dependencyType{-1};
    bool m_isSystemItem{false};
    bool m_ownsPath{false};
    std::atomic<bool> m_used{false};
    std::shared_ptr<KnowledgeRecord> m_nextRecord;
    std::shared_ptr<KnowledgeRecordGroup> m_group;
};
