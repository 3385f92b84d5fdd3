#include "knowledge/KnowledgeRecord.h"

#include "shell/PathsGenerator.h"

KnowledgeRecord::KnowledgeRecord(std::shared_ptr<KnowledgeRecordGroup> group,
                                 const std::string& path, std::int32_t dependencyType)
    : m_path(path), m_dependencyType(dependencyType), m_group(std::move(group)) {
    if (m_path.starts_with("~/"))
        m_path = PathsGenerator::GetInstance().getHomeDirectory() + m_path.substr(1);
}

std::shared_ptr<KnowledgeRecord>
KnowledgeRecord::createSystemItem(std::shared_ptr<KnowledgeRecordGroup> group,
                                  const std::string& path) {
    auto record = std::make_shared<KnowledgeRecord>(std::move(group), path, -1);
    record->m_isSystemItem = true;
    return record;
}
