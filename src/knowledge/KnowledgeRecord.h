#pragma once

#include "knowledge/KnowledgeRecordGroup.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One path the knowledge base lists for a domain. Records with the same last path
// component form a chain through nextRecord, newest first.
class KnowledgeRecord {
public:
    // A "~/" at the start of `path` stands for the user's home folder.
    KnowledgeRecord(std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path,
                    std::int32_t dependencyType);
    static std::shared_ptr<KnowledgeRecord>
    createSystemItem(std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path);
    // Releases the rest of the chain link by link, however long it is.
    ~KnowledgeRecord();
    KnowledgeRecord(const KnowledgeRecord&) = delete;
    KnowledgeRecord& operator=(const KnowledgeRecord&) = delete;

    bool isSystemItem() const { return m_isSystemItem; }
    const std::string& path() const { return m_path; }
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
    bool m_isSystemItem{false};
    std::string m_path;
    std::int32_t m_dependencyType{-1};
    std::atomic<bool> m_used{false};
    std::shared_ptr<KnowledgeRecord> m_nextRecord;
    std::shared_ptr<KnowledgeRecordGroup> m_group;
};
