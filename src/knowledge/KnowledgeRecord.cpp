#include "knowledge/KnowledgeRecord.h"

#include "knowledge/KnowledgeBaseLimits.h"
#include "platform/ItemName.h"
#include "shell/PathsGenerator.h"

#include <cstring>
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

KnowledgeRecord::KnowledgeRecord(const KnowledgeRecordGroup& group, const char* folder,
                                 std::size_t tailLength, bool inHome, std::int32_t dependencyType,
                                 bool isSystemItem)
    : m_folder(folder), m_group(&group), m_tailLength(static_cast<std::uint32_t>(tailLength)),
      m_dependencyType(static_cast<std::int8_t>(dependencyType)), m_inHome(inHome),
      m_isSystemItem(isSystemItem) {}

KnowledgeRecord* KnowledgeRecord::create(KnowledgeRecordArena& arena,
                                         const KnowledgeRecordGroup& group, std::string_view path,
                                         std::int32_t dependencyType, bool isSystemItem) {
    // A path that is the home folder itself ("~/", "~//") is kept whole, so that its last
    // component stays the home folder's name.
    bool inHome = false;
    std::string whole;
    if (path.starts_with("~/")) {
        path.remove_prefix(1);
        inHome = path.find_first_not_of('/') != std::string_view::npos;
        if (!inHome)
            path = whole.append(home()).append(path);
    }
    const std::size_t split =
        static_cast<std::size_t>(platform::ItemName::lastComponent(path).data() - path.data());
    return createIn(arena, group, arena.internFolder(path.substr(0, split)), inHome,
                    path.substr(split), dependencyType, isSystemItem);
}

KnowledgeRecord* KnowledgeRecord::createIn(KnowledgeRecordArena& arena,
                                           const KnowledgeRecordGroup& group, const char* folder,
                                           bool inHome, std::string_view tail,
                                           std::int32_t dependencyType, bool isSystemItem) {
    void* at = arena.allocate(sizeof(KnowledgeRecord) + tail.size(), alignof(KnowledgeRecord));
    if (!tail.empty())
        std::memcpy(static_cast<char*>(at) + sizeof(KnowledgeRecord), tail.data(), tail.size());
    return ::new (at)
        KnowledgeRecord(group, folder, tail.size(), inHome, dependencyType, isSystemItem);
}

std::string KnowledgeRecord::path() const {
    const std::string_view prefix = m_inHome ? std::string_view(home()) : std::string_view();
    std::string full;
    full.reserve(prefix.size() + folder().size() + m_tailLength);
    return full.append(prefix).append(folder()).append(tail());
}

bool KnowledgeRecord::hasPath(std::string_view fullPath) const {
    if (m_inHome) {
        const std::string& prefix = home();
        if (!fullPath.starts_with(prefix))
            return false;
        fullPath.remove_prefix(prefix.size());
    }
    const std::string_view inFolder = folder();
    return fullPath.size() == inFolder.size() + m_tailLength && fullPath.starts_with(inFolder) &&
           fullPath.substr(inFolder.size()) == tail();
}

std::string_view KnowledgeRecord::name() const {
    // The tail is the name itself unless slashes follow it; the index asks for names on
    // every probe, so the common case takes no scan.
    const std::string_view tail = this->tail();
    if (!tail.empty() && tail.back() != '/')
        return tail;
    return platform::ItemName::lastComponent(tail);
}
