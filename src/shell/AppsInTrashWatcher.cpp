#include "shell/AppsInTrashWatcher.h"

#include "platform/FileSystem.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "shell/ApplicationDirectoryUtils.h"
#include "shell/ApplicationKinds.h"
#include "shell/BundleExcludeList.h"
#include "shell/DirectoryWatcher.h"
#include "shell/FullDiskAccessManager.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"
#include "shell/NSBundleApplicationBundle.h"
#include "shell/NSFileManagerUtils.h"
#include "shell/PathsGenerator.h"
#include "shell/TrashFolders.h"

std::shared_ptr<AppsInTrashWatcher>
AppsInTrashWatcher::create(std::weak_ptr<AppsInTrashWatcherListener> listener) {
    std::shared_ptr<AppsInTrashWatcher> watcher(new AppsInTrashWatcher(std::move(listener)));
    watcher->startWatching();
    return watcher;
}

void AppsInTrashWatcher::startWatching() {
    // A user who never trashed anything has no Trash folder yet; it is made as the file
    // managers make it, so that the access test and the watcher find it.
    NSFileManagerUtils::getTrashPath();
    // Access granted or withdrawn later takes effect at the next start only.
    if (FullDiskAccessManager::fullAccessGranted()) {
        m_pTrashWatcher =
            DirectoryWatcher::create(PathsGenerator::GetInstance().buildTrashDirectory());
        m_pTrashWatcher->setDelegate(weak_from_this());
        // A volume's Trash is made by the first item trashed there; each gets its watcher
        // all the same, which sees it from the moment the folder is there to be watched.
        for (const std::string& folder : TrashFolders::volumeTrashFolders()) {
            m_volumeTrashWatchers.push_back(DirectoryWatcher::create(folder));
            m_volumeTrashWatchers.back()->setDelegate(weak_from_this());
        }
    } else {
        m_monitor = MoveToTrashWithoutTrashAccessMonitor::create();
        m_monitor->setDelegate(weak_from_this());
    }
}

std::vector<AppsInTrashWatcher::WatchedPlace> AppsInTrashWatcher::watchedPlaces() const {
    auto exists = [](const std::string& path) {
        bool isDirectory = false;
        return platform::FileSystem::fileExists(path, &isDirectory) && isDirectory;
    };
    std::vector<WatchedPlace> places;
    if (m_pTrashWatcher)
        places.push_back({WatchedPlace::Kind::Trash, m_pTrashWatcher->getPath(),
                          exists(m_pTrashWatcher->getPath())});
    for (const auto& watcher : m_volumeTrashWatchers)
        places.push_back(
            {WatchedPlace::Kind::VolumeTrash, watcher->getPath(), exists(watcher->getPath())});
    if (m_monitor) {
        for (const auto& mirror : m_monitor->submonitors())
            places.push_back(
                {WatchedPlace::Kind::ApplicationsFolder, mirror->path(), exists(mirror->path())});
    }
    return places;
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
    if (const ApplicationKind* kind = ApplicationKinds::mayBeApplicationAt(path)) {
        // Reading an application's identity may take a child process: off the main thread.
        platform::GlobalQueue::shared().async([kind, path, weakListener = m_pListener] {
            std::shared_ptr<platform::Bundle> application =
                passesApplicationTest(kind->applicationAt(path));
            if (!application)
                return;
            platform::MainQueue::shared().async([application, weakListener] {
                if (auto listener = weakListener.lock())
                    listener->onAppMovedToTrash(application);
            });
        });
        return;
    }
    if (std::shared_ptr<platform::Bundle> bundle = isReallyAppBundlePath(path))
        listener->onAppMovedToTrash(bundle);
}

std::shared_ptr<platform::Bundle>
AppsInTrashWatcher::passesApplicationTest(std::shared_ptr<platform::Bundle> application) {
    if (!application ||
        ApplicationDirectoryUtils::parentBundlePathForPath(application->bundlePath()))
        return nullptr;
    std::optional<std::string> identifier = application->bundleIdentifier();
    if (!identifier || identifier->empty() ||
        BundleExcludeList::GetInstance().isSystemBundleID(identifier,
                                                          BundleExcludeList::CheckPreferences::No))
        return nullptr;
    return application;
}

std::shared_ptr<platform::Bundle>
AppsInTrashWatcher::isReallyApplicationOfOtherKindPath(const std::string& path) {
    const ApplicationKind* kind = ApplicationKinds::mayBeApplicationAt(path);
    return kind ? passesApplicationTest(kind->applicationAt(path)) : nullptr;
}

std::shared_ptr<platform::Bundle>
AppsInTrashWatcher::isReallyAppBundlePath(const std::string& path) {
    if ((!ApplicationDirectoryUtils::isApplicationAtPath(path) &&
         !TrashFolders::isTrashedApplication(path)) ||
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
