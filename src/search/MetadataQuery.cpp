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
    platform::MutexLock guard(m_lock);
    return m_results;
}

void MetadataQuery::stopQuery() {
    platform::MutexLock guard(m_lock);
    m_stopped.store(true);
}

bool MetadataQuery::startQuery(std::function<void()> finished) {
    if (!m_bundleIdentifier || m_started)
        return false;
    m_started = true;
    auto self = shared_from_this();
    platform::globalQueue().async([self, finished = std::move(finished)]() mutable {
        platform::FolderVisits visits;
        for (const std::string& folder : self->m_scopes) {
            if (visits.enter(folder))
                self->scan(folder, 1, visits);
        }
        if (self->isStopped())
            return;
        platform::MainQueue::shared().async([self, finished = std::move(finished)] {
            if (!self->isStopped())
                finished();
        });
    });
    return true;
}

void MetadataQuery::addResult(const std::string& path) {
    platform::MutexLock guard(m_lock);
    if (!isStopped())
        m_results.push_back(Item{path});
}

void MetadataQuery::scan(const std::string& folder, int depth, platform::FolderVisits& visits) {
    if (depth > kMaxScanDepth || isStopped())
        return;
    std::optional<std::vector<std::string>> names =
        platform::FileSystem::contentsOfDirectory(folder);
    if (!names)
        return;
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
        if (isStopped())
            return;
        const std::string path = platform::Path::appending(folder, name);
        bool isDirectory = false;
        if (!platform::FileSystem::fileExists(path, &isDirectory) || !isDirectory)
            continue;
        if (platform::Path::extension(name) == "app") {
            std::shared_ptr<platform::Bundle> bundle = platform::Bundle::create(path);
            if (bundle && bundle->bundleIdentifier() == m_bundleIdentifier)
                addResult(path);
            continue;
        }
        if (visits.enter(path))
            scan(path, depth + 1, visits);
    }
}
