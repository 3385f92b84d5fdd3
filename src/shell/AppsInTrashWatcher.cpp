#include "shell/AppsInTrashWatcher.h"

#include "shell/ApplicationDirectoryUtils.h"
#include "shell/BundleExcludeList.h"
#include "shell/DirectoryWatcher.h"
#include "shell/FullDiskAccessManager.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"
#include "shell/NSBundleApplicationBundle.h"
#include "shell/PathsGenerator.h"

std::shared_ptr<AppsInTrashWatcher>
AppsInTrashWatcher::create(std::weak_ptr<AppsInTrashWatcherListener> listener) {
    std::shared_ptr<AppsInTrashWatcher> watcher(new AppsInTrashWatcher(std::move(listener)));
    watcher->startWatching();
    return watcher;
}

void AppsInTrashWatcher::startWatching() {
    // Access granted or withdrawn later takes effect at the next start only.
    if (FullDiskAccessManager::fullAccessGranted()) {
        m_pTrashWatcher =
            DirectoryWatcher::create(PathsGenerator::GetInstance().buildTrashDirectory());
        m_pTrashWatcher->setDelegate(weak_from_this());
    } else {
        m_monitor = MoveToTrashWithoutTrashAccessMonitor::create();
        m_monitor->setDelegate(weak_from_this());
    }
}

void AppsInTrashWatcher::onAddedAppWithPath(const std::string& path) {
    onAppMovedToTrash(path);
}

void AppsInTrashWatcher::moveToTrashWithoutTrashAccessMonitor(MoveToTrashWithoutTrashAccessMonitor&,
                                                              const std::string& path) {
    onAppMovedToTrash(path);
}

void AppsInTrashWatcher::onAppMovedToTrash(const std::string& path) {
    std::shared_ptr<AppsInTrashWatcherListener> listener = m_pListener.lock();
    if (!listener)
        return;
    if (std::shared_ptr<platform::Bundle> bundle = isReallyAppBundlePath(path))
        listener->onAppMovedToTrash(bundle);
}

std::shared_ptr<platform::Bundle>
AppsInTrashWatcher::isReallyAppBundlePath(const std::string& path) {
    if (!ApplicationDirectoryUtils::isApplicationAtPath(path) ||
        ApplicationDirectoryUtils::parentBundlePathForPath(path))
        return nullptr;
    std::shared_ptr<platform::Bundle> bundle =
        NSBundleApplicationBundle::safeCreateBundleWithPath(path);
    if (!bundle)
        return nullptr;
    std::optional<std::string> bundleId = bundle->bundleIdentifier();
    if (!bundleId || bundleId->empty())
        return nullptr;
    if (BundleExcludeList::GetInstance().isSystemBundleID(bundleId,
                                                          BundleExcludeList::CheckPreferences::No))
        return nullptr;
    return bundle;
}
