#include "shell/NotificationsManager.h"

#include "platform/Bundle.h"
#include "shell/ApplicationDirectoryUtils.h"
#include "shell/FileURL.h"
#include "shell/WatcherMessage.h"
#include "shell/WatcherSettings.h"
#include "shell/Workspace.h"

NotificationsManager& NotificationsManager::GetInstance() {
    static NotificationsManager instance([]() -> std::optional<std::string> {
        auto bundle = platform::Bundle::mainBundle();
        if (!bundle)
            return std::nullopt;
        return bundle->bundlePath();
    }());
    return instance;
}

std::optional<std::string> NotificationsManager::mainApplicationPath() const {
    const std::string mainIdentifier = WatcherSettings::GetInstance().getMainAppBundleID();
    if (m_ownBundlePath) {
        std::optional<std::string> enclosing =
            ApplicationDirectoryUtils::parentAppPathForPath(*m_ownBundlePath);
        auto bundle = enclosing ? platform::Bundle::create(*enclosing) : nullptr;
        if (bundle && bundle->bundleIdentifier() == mainIdentifier)
            return enclosing;
    }
    auto workspace = Workspace::shared();
    auto running = workspace->runningApplicationsWithBundleIdentifier(mainIdentifier);
    if (!running.empty() && !running.front().executablePath.empty())
        return running.front().executablePath;
    std::optional<std::string> url =
        workspace->URLForApplicationWithBundleIdentifier(mainIdentifier);
    return url ? FileURL::toPath(*url) : std::nullopt;
}

void NotificationsManager::removeFilePaths(
    const std::vector<std::shared_ptr<PathForRemove>>& items) const {
    if (items.empty())
        return;
    std::optional<std::string> application = mainApplicationPath();
    if (!application)
        return;
    WatcherMessage message;
    message.setPathsForRemove(items);
    std::optional<std::string> file = message.saveForTransmit();
    Workspace::shared()->openFile(file.value_or(*application), *application,
                                  Workspace::Deactivation::DeactivateSender);
}
