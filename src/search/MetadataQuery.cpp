#include "search/MetadataQuery.h"

#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kIdentifierClause = "kMDItemCFBundleIdentifier == '";
constexpr std::string_view kPathClause = "' AND kMDItemPath LIKE '?*'";

} // namespace

bool MetadataQuery::setPredicateFromFormat(const std::string& format) {
    std::string_view text(format);
    if (text.substr(0, kIdentifierClause.size()) != kIdentifierClause)
        return false;
    text.remove_prefix(kIdentifierClause.size());
    if (text.size() >= kPathClause.size() &&
        text.substr(text.size() - kPathClause.size()) == kPathClause)
        text.remove_suffix(kPathClause.size());
    else if (!text.empty() && text.back() == '\'')
        text.remove_suffix(1);
    else
        return false;
    // A quote inside the identifier would end the string literal early: the
    // predicate is malformed, and an index refuses it rather than guess.
    if (text.empty() || text.find('\'') != std::string_view::npos ||
        text.find('\0') != std::string_view::npos)
        return false;
    m_bundleIdentifier = std::string(text);
    return true;
}

std::vector<MetadataQuery::Item> MetadataQuery::results() const {
    std::lock_guard guard(m_lock);
    return m_results;
}

bool MetadataQuery::startQuery(std::function<void()> finished) {
    if (!m_bundleIdentifier || m_started)
        return false;
    m_started = true;
    auto self = shared_from_this();
    platform::globalQueue().async([self, finished = std::move(finished)]() mutable {
        std::vector<std::string> found;
        for (const std::string& folder : self->m_scopes)
            self->scan(folder, 1, found);
        if (self->isStopped())
            return;
        platform::MainQueue::shared().async(
            [self, found = std::move(found), finished = std::move(finished)] {
                if (self->isStopped())
                    return;
                {
                    std::lock_guard guard(self->m_lock);
                    for (const std::string& path : found)
                        self->m_results.push_back(Item{path});
                }
                finished();
            });
    });
    return true;
}

void MetadataQuery::scan(const std::string& folder, int depth,
                         std::vector<std::string>& found) const {
    if (depth > kMaxScanDepth || isStopped())
        return;
    std::optional<std::vector<std::string>> names =
        platform::FileSystem::contentsOfDirectory(folder);
    if (!names)
        return;
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
        const std::string path = platform::Path::appending(folder, name);
        bool isDirectory = false;
        if (platform::FileSystem::isSymbolicLink(path) ||
            !platform::FileSystem::itemExistsNoFollow(path, &isDirectory) || !isDirectory)
            continue;
        if (platform::Path::extension(name) == "app") {
            std::shared_ptr<platform::Bundle> bundle = platform::Bundle::create(path);
            if (bundle && bundle->bundleIdentifier() == m_bundleIdentifier)
                found.push_back(path);
            continue;
        }
        scan(path, depth + 1, found);
    }
}
