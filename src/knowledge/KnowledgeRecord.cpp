#include "knowledge/KnowledgeRecord.h"

#include "shell/PathsGenerator.h"

#include <cstring>
#include <utility>

namespace {

// The path as written, in two parts: the home folder for a leading "~", and the rest.
std::pair<std::string_view, std::string_view> expanded(std::string_view path) {
    if (path.starts_with("~/"))
        return {PathsGenerator::GetInstance().getHomeDirectory(), path.substr(1)};
    return {{}, path};
}

} // namespace

KnowledgeRecord::KnowledgeRecord(std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path,
                                 std::int32_t dependencyType)
    : m_dependencyType(dependencyType), m_ownsPath(true), m_group(std::move(group)) {
    const auto [home, rest] = expanded(path);
    m_pathLength = home.size() + rest.size();
    auto* characters = new char[m_pathLength == 0 ? 1 : m_pathLength];
    if (!home.empty())
        std::memcpy(characters, home.data(), home.size());
    if (!rest.empty())
        std::memcpy(characters + home.size(), rest.data(), rest.size());
    m_path = characters;
}

KnowledgeRecord::KnowledgeRecord(InArena, std::shared_ptr<KnowledgeRecordGroup> group,
                                 std::string_view storedPath, std::int32_t dependencyType,
                                 bool isSystemItem)
    : m_path(storedPath.data()), m_pathLength(storedPath.size()), m_dependencyType(dependencyType),
      m_isSystemItem(isSystemItem), m_group(std::move(group)) {}

KnowledgeRecord::~KnowledgeRecord() {
    // Every record of a knowledge base may share one file name, so a chain can be as long
    // as the knowledge base; releasing it recursively would take a stack frame per record.
    std::shared_ptr<KnowledgeRecord> next = std::move(m_nextRecord);
    while (next && next.use_count() == 1)
        next = std::move(next->m_nextRecord);
    if (m_ownsPath)
        delete[] m_path;
}

std::shared_ptr<KnowledgeRecord>
KnowledgeRecord::createSystemItem(std::shared_ptr<KnowledgeRecordGroup> group,
                                  std::string_view path) {
    auto record = std::make_shared<KnowledgeRecord>(std::move(group), path, -1);
    record->m_isSystemItem = true;
    return record;
}

std::shared_ptr<KnowledgeRecord>
KnowledgeRecord::createInArena(const std::shared_ptr<KnowledgeRecordArena>& arena,
                               std::shared_ptr<KnowledgeRecordGroup> group, std::string_view path,
                               std::int32_t dependencyType, bool isSystemItem) {
    const auto [home, rest] = expanded(path);
    const std::string_view stored = arena->store(home, rest);
    return std::allocate_shared<KnowledgeRecord>(
        KnowledgeRecordArena::Allocator<KnowledgeRecord>(arena), InArena{}, std::move(group),
        stored, dependencyType, isSystemItem);
}
