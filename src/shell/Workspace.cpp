#include "shell/Workspace.h"

#include "shell/FileURL.h"

#include <mutex>

namespace {

std::mutex gSharedMutex;
std::shared_ptr<Workspace> gShared;

} // namespace

std::shared_ptr<Workspace> Workspace::shared() {
    std::lock_guard lock(gSharedMutex);
    if (!gShared)
        gShared = createSystemWorkspace();
    return gShared;
}

void Workspace::setShared(std::shared_ptr<Workspace> workspace) {
    std::lock_guard lock(gSharedMutex);
    gShared = std::move(workspace);
}

std::optional<std::string>
Workspace::URLForApplicationWithBundleIdentifier(const std::string& bundleIdentifier) {
    std::optional<std::string> path = absolutePathForAppBundleWithIdentifier(bundleIdentifier);
    if (!path)
        return std::nullopt;
    return FileURL::fromPath(*path);
}
