#include "knowledge/KnowledgeRecord.h"

#include "shell/PathsGenerator.h"

KnowledgeRecord::KnowledgeRecord(std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path,
                                 std::int32_t dependencyType)
    : m_dependencyType(dependencyType), m_group(std::move(group)) {
    // A knowledge base holds about a hundred thousand records, so the path is built
    // straight from the document's text, expanded, in one allocation.
    if (path.starts_with("~/")) {
        const std::string& home = PathsGenerator::GetInstance().getHomeDirectory();
        m_path.reserve(home.size() + path.size() - 1);
        m_path.append(home).append(path.substr(1));
    } else {
        m_path = path;
    }
}

KnowledgeRecord::~KnowledgeRecord() {
    // Every record of a knowledge base may share one file name, so a chain can be as long
    // as the knowledge base; releasing it recursively would take a stack frame per record.
    std::shared_ptr<KnowledgeRecord> next = std::move(m_nextRecord);
    while (next && next.use_count() == 1)
        next = std::move(next->m_nextRecord);
}

std::shared_ptr<KnowledgeRecord>
KnowledgeRecord::createSystemItem(std::shared_ptr<KnowledgeRecordGroup> group,
                                  std::string_view path) {
    auto record = std::make_shared<KnowledgeRecord>(std::move(group), path, -1);
    record->m_isSystemItem = true;
    return record;
}
