#pragma once

#include "platform/DelayedCall.h"
#include "search/SpotlightEasySearch.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Workspace;

// Whether another copy of a removed application is still installed, the question the
// notification decision asks first. Two sources answer it: the workspace's list of
// installed copies and the index of the applications folders. Both read the disk, so
// both run off the main thread, side by side; the check answers on the main queue as
// soon as either finds a copy that counts, or both have found none, or the time limit
// has passed. At the limit the answer rests on every copy found so far.
//
// Start checks and read runningCheckCount() on the main thread only.
class InstalledCopyCheck : public std::enable_shared_from_this<InstalledCopyCheck> {
public:
    static constexpr double kTimeLimitSeconds = 30.0;

    // Calls `whenNotInstalled` once, later, on the main queue when no other copy of the
    // application is installed; never calls it otherwise. Does nothing for an empty
    // identifier.
    static void start(const std::string& bundleId, std::function<void()> whenNotInstalled);

    // How many checks have not answered yet.
    static std::size_t runningCheckCount();

    // Whether a copy the workspace lists still counts as installed: not on another
    // volume, not in the Trash, and still there.
    static bool isInstalledCopy(const std::string& path);

private:
    InstalledCopyCheck(std::string bundleId, std::function<void()> whenNotInstalled)
        : m_bundleId(std::move(bundleId)), m_whenNotInstalled(std::move(whenNotInstalled)) {}

    void begin(std::shared_ptr<Workspace> workspace);
    void workspaceAnswered(bool foundCopy);
    void indexAnswered(const MetadataQuery& query);
    void timeUp();
    // Ends the check once; the callback runs only when no copy was found.
    void conclude(bool installed);

    const std::string m_bundleId;
    std::function<void()> m_whenNotInstalled;
    std::shared_ptr<SpotlightEasySearch> m_search;
    std::shared_ptr<platform::DelayedCall> m_timeLimit;
    bool m_workspaceDone{false};
    bool m_indexDone{false};
    bool m_timeIsUp{false};
    bool m_concluded{false};
};
