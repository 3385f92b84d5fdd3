#pragma once

#include "platform/FolderVisits.h"
#include "platform/Mutex.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The index the eligibility check asks for installed copies of an application. It
// understands one query, "kMDItemCFBundleIdentifier == '<identifier>' AND kMDItemPath
// LIKE '?*'" (the second clause optional), and answers it by scanning the search
// folders on the global queue for ".app" bundles with exactly that identifier.
//
// The scan follows symbolic links, since a user may keep an application elsewhere and
// link it, or a folder of applications, into an applications folder; every folder is
// entered once, so links that lead back up cannot make it loop. Each copy joins the
// results as soon as it is found, so that a query stopped at its time limit still
// answers with what it has gathered; once stopped, the results no longer change. The
// finish notice is delivered on the main queue.
class MetadataQuery : public std::enable_shared_from_this<MetadataQuery> {
public:
    struct Item {
        // The item's path attribute; none when the item has no string path.
        std::optional<std::string> path;
    };
    // Bundles inside bundles, and anything below this depth, are not indexed.
    static constexpr int kMaxScanDepth = 8;

    // False for a predicate the index does not understand.
    bool setPredicateFromFormat(const std::string& format);
    void setSearchScopes(std::vector<std::string> folders) { m_scopes = std::move(folders); }
    bool isStarted() const { return m_started; }
    bool isStopped() const { return m_stopped.load(); }
    void stopQuery() EXCLUDES(m_lock);
    // Copies of the results gathered so far, in the order found.
    std::vector<Item> results() const EXCLUDES(m_lock);

    // Starts the scan; `finished` runs on the main queue once it has gathered
    // everything, unless the query was stopped first. False when there is no
    // predicate or the query already ran.
    bool startQuery(std::function<void()> finished);

private:
    void scan(const std::string& folder, int depth, platform::FolderVisits& visits);
    void addResult(const std::string& path) EXCLUDES(m_lock);

    // Set up on the owner's thread before startQuery() hands the query to the scan, and not
    // changed after that.
    std::optional<std::string> m_bundleIdentifier;
    std::vector<std::string> m_scopes;
    bool m_started{false};
    std::atomic<bool> m_stopped{false};
    // Also orders stopping against adding a result: none is added once stopQuery() returned.
    mutable platform::Mutex m_lock;
    std::vector<Item> m_results GUARDED_BY(m_lock);
};
