#include "shell/Workspace.h"

#include "platform/Mutex.h"
#include "shell/FileURL.h"

#include <utility>

namespace {

platform::Mutex gSharedMutex;
std::shared_ptr<Workspace> gShared GUARDED_BY(gSharedMutex);

} // namespace

std::shared_ptr<Workspace> Workspace::shared() {
    {
        platform::MutexLock lock(gSharedMutex);
        if (gShared)
            return gShared;
    }
    // Made without the lock; when two threads race, the first workspace stored is kept.
    std::shared_ptr<Workspace> made = createSystemWorkspace();
    platform::MutexLock lock(gSharedMutex);
    if (!gShared)
        gShared = std::move(made);
    else
        lock.releaseAfterUnlock(std::move(made));
    return gShared;
}

void Workspace::setShared(std::shared_ptr<Workspace> workspace) {
    platform::MutexLock lock(gSharedMutex);
    // The workspace replaced may be the last reference to it.
    lock.releaseAfterUnlock(std::exchange(gShared, std::move(workspace)));
}

std::optional<std::string>
Workspace::URLForApplicationWithBundleIdentifier(const std::string& bundleIdentifier) {
    std::optional<std::string> path = absolutePathForAppBundleWithIdentifier(bundleIdentifier);
    if (!path)
        return std::nullopt;
    return FileURL::fromPath(*path);
}
