#include "knowledge/KnowledgeRecordMaker.h"

#include "knowledge/KnowledgeBasePathPolicy.h"
#include "knowledge/LeftoverPlaces.h"

#include <algorithm>
#include <cstring>
#include <string.h>

namespace {

// A last component the policy lets through inside a folder that passed.
bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('\0') == std::string_view::npos;
}

} // namespace

KnowledgeRecordMaker::KnowledgeRecordMaker(KnowledgeRecordArena& arena, std::string home)
    : m_arena(arena), m_home(std::move(home)) {}

KnowledgeRecord* KnowledgeRecordMaker::offerable(const KnowledgeRecordGroup& group,
                                                 std::string_view written,
                                                 std::int32_t dependencyType) {
    const void* found = memrchr(written.data(), '/', written.size());
    if (!found)
        return checkedWhole(group, written, dependencyType);
    const std::size_t slash =
        static_cast<std::size_t>(static_cast<const char*>(found) - written.data());
    const std::string_view name = written.substr(slash + 1);
    const Folder& folder = folderOf(written.substr(0, slash + 1));
    if (!folder.plain || !isPlainName(name) ||
        std::find(folder.sharedNames.begin(), folder.sharedNames.end(), name) !=
            folder.sharedNames.end())
        return checkedWhole(group, written, dependencyType);
    return KnowledgeRecord::createIn(m_arena, group, folder.interned, folder.inHome, name,
                                     dependencyType);
}

const KnowledgeRecordMaker::Folder& KnowledgeRecordMaker::folderOf(std::string_view written) {
    // The last eight bytes (or all of a shorter text) and the length, mixed into a slot.
    std::uint64_t last = 0;
    const std::size_t taken = std::min<std::size_t>(written.size(), sizeof last);
    std::memcpy(&last, written.data() + written.size() - taken, taken);
    std::uint64_t mixed = (last ^ written.size()) * 0x9E3779B97F4A7C15ULL;
    mixed ^= mixed >> 29;
    const std::size_t sign = (mixed * 0xBF58476D1CE4E5B9ULL) >> 54;
    const Folders::value_type*& recent = m_recent[sign];
    if (recent && recent->first == written)
        return recent->second;
    auto found = m_folders.find(written);
    if (found == m_folders.end())
        found = m_folders.emplace(std::string(written), checked(written)).first;
    recent = &*found;
    return found->second;
}

KnowledgeRecordMaker::Folder KnowledgeRecordMaker::checked(std::string_view written) {
    // `written` ends with its slash. The folder must be a root, or a plain path inside one,
    // written without a doubled slash at its end ("~/Library//x" has an empty component).
    Folder folder;
    std::string_view path = written.substr(0, written.size() - 1);
    if (path.empty() || path.back() == '/')
        return folder;
    std::string expanded;
    if (path.starts_with("~/"))
        path = expanded.assign(m_home).append(path.substr(1));
    const auto placed = LeftoverPlaces::placeInHome(path, m_home);
    if (!placed ||
        (!placed->rest.empty() && KnowledgeBasePathPolicy::componentRefusal(placed->rest)))
        return folder;
    std::string relative(placed->root->below);
    if (!placed->rest.empty())
        relative.append("/").append(placed->rest);
    auto shared = LeftoverPlaces::sharedNamesIn(relative);
    if (!shared)
        return folder;
    folder.plain = true;
    folder.sharedNames = std::move(*shared);
    folder.inHome = written.starts_with("~/");
    // As KnowledgeRecord::create() keeps it: the folder without the "~" for the home folder.
    folder.interned = m_arena.internFolder(folder.inHome ? written.substr(1) : written);
    return folder;
}

KnowledgeRecord* KnowledgeRecordMaker::checkedWhole(const KnowledgeRecordGroup& group,
                                                    std::string_view written,
                                                    std::int32_t dependencyType) {
    if (written.starts_with("~/"))
        m_expanded.assign(m_home).append(written.substr(1));
    else
        m_expanded.assign(written);
    if (KnowledgeBasePathPolicy::recordRefusal(m_expanded, m_home))
        return nullptr;
    return KnowledgeRecord::create(m_arena, group, written, dependencyType);
}
