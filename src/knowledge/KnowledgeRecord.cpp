#include "knowledge/KnowledgeRecord.h"

#include "knowledge/KnowledgeBaseLimits.h"
#include "platform/ItemName.h"
#include "shell/PathsGenerator.h"

#include <limits>
#include <new>
#include <type_traits>

// The arena gives its blocks back without running destructors.
static_assert(std::is_trivially_destructible_v<KnowledgeRecord>);
static_assert(sizeof(KnowledgeRecord) <= 32);
// Dependency types are AppDependencyGroup numbers, from -1 to 17, and a path is bounded by
// the document's size (KnowledgeBaseLimits), far below either field's limit.
static_assert(KnowledgeBaseLimits::kMaxDocumentBytes <= std::numeric_limits<std::uint32_t>::max());

namespace {

const std::string& home() {
    return PathsGenerator::GetInstance().getHomeDirectory();
}

} // namespace

KnowledgeRecord::KnowledgeRecord(const KnowledgeRecordGroup& group, std::string_view storedPath,
                                 bool inHome, std::int32_t dependencyType, bool isSystemItem)
    : m_path(storedPath.data()), m_group(&group),
      m_pathLength(static_cast<std::uint32_t>(storedPath.size())),
      m_dependencyType(static_cast<std::int8_t>(dependencyType)), m_inHome(inHome),
      m_isSystemItem(isSystemItem) {}

KnowledgeRecord* KnowledgeRecord::create(KnowledgeRecordArena& arena,
                                         const KnowledgeRecordGroup& group, std::string_view path,
                                         std::int32_t dependencyType, bool isSystemItem) {
    // A path that is the home folder itself ("~/", "~//") is kept whole, so that its last
    // component stays the home folder's name.
    bool inHome = false;
    std::string_view stored;
    if (path.starts_with("~/")) {
        path.remove_prefix(1);
        inHome = path.find_first_not_of('/') != std::string_view::npos;
        stored = inHome ? arena.store(path) : arena.store(home(), path);
    } else {
        stored = arena.store(path);
    }
    void* at = arena.allocate(sizeof(KnowledgeRecord), alignof(KnowledgeRecord));
    return ::new (at) KnowledgeRecord(group, stored, inHome, dependencyType, isSystemItem);
}

std::string KnowledgeRecord::path() const {
    if (!m_inHome)
        return std::string(stored());
    std::string full;
    full.reserve(home().size() + m_pathLength);
    return full.append(home()).append(stored());
}

bool KnowledgeRecord::hasPath(std::string_view fullPath) const {
    if (!m_inHome)
        return fullPath == stored();
    const std::string& prefix = home();
    return fullPath.size() == prefix.size() + m_pathLength && fullPath.starts_with(prefix) &&
           fullPath.substr(prefix.size()) == stored();
}

std::string_view KnowledgeRecord::name() const {
    return platform::ItemName::lastComponent(stored());
}
