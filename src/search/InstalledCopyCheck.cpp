#include "search/InstalledCopyCheck.h"

#include "platform/Environment.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "shell/MacOSVersion.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/NSStringFileSize.h"
#include "shell/PathsGenerator.h"
#include "shell/Workspace.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <set>

namespace {

// Keeps every check alive until it has answered. Only touched on the main thread.
std::set<std::shared_ptr<InstalledCopyCheck>>& runningChecks() {
    static std::set<std::shared_ptr<InstalledCopyCheck>> checks;
    return checks;
}

// Every installed copy the workspace knows of. Runs off the main thread: on this
// platform the workspace answers by reading the applications folders.
std::vector<std::string> workspaceCopies(Workspace& workspace, const std::string& bundleId) {
    if (MacOSVersion::GetInstance().is_10_10_orHigher())
        return workspace.allApplicationPathsForBundleIdentifier(bundleId);
    if (std::optional<std::string> copy =
            workspace.absolutePathForAppBundleWithIdentifier(bundleId))
        return {*copy};
    return {};
}

} // namespace

void InstalledCopyCheck::start(const std::string& bundleId,
                               std::function<void()> whenNotInstalled) {
    if (bundleId.empty() || !whenNotInstalled)
        return;
    std::shared_ptr<InstalledCopyCheck> check(
        new InstalledCopyCheck(bundleId, std::move(whenNotInstalled)));
    runningChecks().insert(check);
    check->begin(Workspace::shared());
}

std::size_t InstalledCopyCheck::runningCheckCount() {
    return runningChecks().size();
}

bool InstalledCopyCheck::isInstalledCopy(const std::string& path) {
    return !path.empty() &&
           !NSStringFileSize::isInFolder(path, platform::Environment::rootPath("/Volumes")) &&
           !PathsGenerator::GetInstance().pathInTrash(path) &&
           NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(path);
}

void InstalledCopyCheck::begin(std::shared_ptr<Workspace> workspace) {
    auto self = shared_from_this();
    const std::string userApplications =
        PathsGenerator::GetInstance().buildUserApplicationsDirectory();
    const std::string systemApplications = platform::Environment::rootPath("/Applications");

    const auto limit = std::chrono::milliseconds(static_cast<long long>(kTimeLimitSeconds * 1000));
    // The timer and the search belong to the check, so what they call back holds it
    // weakly: the list of running checks keeps it while it runs, and a helper that quits
    // in the middle of a check leaves no cycle behind.
    const std::weak_ptr<InstalledCopyCheck> weakSelf = self;
    m_timeLimit = platform::DelayedCall::after(limit, platform::MainQueue::shared(), [weakSelf] {
        if (const auto check = weakSelf.lock())
            check->timeUp();
    });

    if (workspace) {
        platform::globalQueue().async([self, workspace, bundleId = m_bundleId] {
            const std::vector<std::string> copies = workspaceCopies(*workspace, bundleId);
            const bool found = std::any_of(copies.begin(), copies.end(), isInstalledCopy);
            platform::MainQueue::shared().async([self, found] { self->workspaceAnswered(found); });
        });
    } else {
        m_workspaceDone = true;
    }

    // The index has a time limit of its own, the same as the check's; the check's covers
    // the workspace as well. The search may end at once, when the query cannot start.
    std::shared_ptr<SpotlightEasySearch> search = SpotlightEasySearch::create();
    m_search = search;
    search->setMaxWaitTime(kTimeLimitSeconds);
    search->setResultBlock(
        [weakSelf](const std::shared_ptr<SpotlightEasySearch>&, const MetadataQuery& query) {
            if (const auto check = weakSelf.lock())
                check->indexAnswered(query);
        });
    search->startQuery("kMDItemCFBundleIdentifier == '" + m_bundleId +
                           "' AND kMDItemPath LIKE '?*'",
                       {systemApplications, userApplications});
}

void InstalledCopyCheck::workspaceAnswered(bool foundCopy) {
    m_workspaceDone = true;
    if (foundCopy)
        conclude(true);
    else if (m_indexDone)
        conclude(false);
}

void InstalledCopyCheck::indexAnswered(const MetadataQuery& query) {
    m_indexDone = true;
    const std::string userApplications =
        PathsGenerator::GetInstance().buildUserApplicationsDirectory();
    const std::string systemApplications = platform::Environment::rootPath("/Applications");
    for (const MetadataQuery::Item& item : query.results()) {
        if (!item.path ||
            !NSFileManagerUtils::fileExistsWithoutTraversingSymbolicLinkAtPath(*item.path))
            continue;
        if (item.path->starts_with(systemApplications) || item.path->starts_with(userApplications))
            return conclude(true);
    }
    if (m_workspaceDone || m_timeIsUp)
        conclude(false);
}

void InstalledCopyCheck::timeUp() {
    m_timeIsUp = true;
    // Stopping the index makes it answer with what it has found so far, if it has not
    // answered yet; the workspace's copies are not known before it answers in full.
    if (std::shared_ptr<SpotlightEasySearch> search = m_search)
        search->stopQuery();
    conclude(false);
}

void InstalledCopyCheck::conclude(bool installed) {
    if (m_concluded)
        return;
    m_concluded = true;
    auto self = shared_from_this();
    if (m_timeLimit)
        m_timeLimit->cancel();
    m_timeLimit.reset();
    // Stopping a search that has already ended does nothing.
    std::shared_ptr<SpotlightEasySearch> search = std::move(m_search);
    if (search)
        search->stopQuery();
    if (!installed)
        platform::MainQueue::shared().async(std::move(m_whenNotInstalled));
    m_whenNotInstalled = nullptr;
    runningChecks().erase(self);
}
