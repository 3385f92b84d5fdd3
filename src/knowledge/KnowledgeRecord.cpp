#include "knowledge/KnowledgeRecord.h"

#include "knowledge/KnowledgeBaseLimits.h"
#include "shell/PathsGenerator.h"

#include <limits>
#include <new>
#include <type_traits>

// The arena gives its blocks back without running destructors.
static_assert(std::is_trivially_destructible_v<KnowledgeRecord>);
static_assert(sizeof(KnowledgeRecord) <= 32);
// Dependency types are AppDependencyGroup numbers, and a path is bounded by the
// document's size (KnowledgeBaseLimits), far below either field's limit.
static_assert(KnowledgeBaseLimits::kMaxDocumentBytes <= std::numeric_limits<std::uint32_t>::max());

KnowledgeRecord::KnowledgeRecord(const KnowledgeRecordGroup& group, std::string_view storedPath,
                                 std::int32_t dependencyType, bool isSystemItem)
    : m_path(storedPath.data()), m_group(&group),
      m_pathLength(static_cast<std::uint32_t>(storedPath.size())),
      m_dependencyType(static_cast<std::int16_t>(dependencyType)), m_isSystemItem(isSystemItem) {}

KnowledgeRecord* KnowledgeRecord::create(KnowledgeRecordArena& arena,
                                         const KnowledgeRecordGroup& group, std::string_view path,
                                         std::int32_t dependencyType, bool isSystemItem) {
    std::string_view home;
    if (path.starts_with("~/")) {
        home = PathsGenerator::GetInstance().getHomeDirectory();
        path.remove_prefix(1);
    }
    const std::string_view stored = arena.store(home, path);
    void* at = arena.allocate(sizeof(KnowledgeRecord), alignof(KnowledgeRecord));
    return ::new (at) KnowledgeRecord(group, stored, dependencyType, isSystemItem);
}
