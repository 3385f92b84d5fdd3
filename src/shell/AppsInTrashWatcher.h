#pragma once

#include "platform/Bundle.h"
#include "shell/AppsInTrashWatcherListener.h"
#include "shell/DirectoryWatcherDelegate.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitorDelegate.h"

#include <memory>
#include <string>
#include <vector>

class DirectoryWatcher;
class MoveToTrashWithoutTrashAccessMonitor;

// Reports applications moved to the Trash to one listener. With Full Disk Access it watches
// the Trash folders themselves (one DirectoryWatcher each: the home Trash and the Trash of
// every mounted volume); without it, it follows the applications that leave the applications
// folders (MoveToTrashWithoutTrashAccessMonitor). The choice is made
// once, at creation, and kept for the life of the object. Either way, only an application
// that no other bundle encloses and that has a bundle identifier reaches the listener.
// Applications of other kinds (AppImages) found in a Trash have their identity read on the
// global queue and reach the listener after it, on the main thread.
//
// Created, used and released on the main thread; the listener is told there.
class AppsInTrashWatcher final : public DirectoryWatcherDelegate,
                                 public MoveToTrashWithoutTrashAccessMonitorDelegate,
                                 public std::enable_shared_from_this<AppsInTrashWatcher> {
public:
    // One folder being watched, and how, for the log.
    struct WatchedPlace {
        enum class Kind { Trash, VolumeTrash, ApplicationsFolder };
        Kind kind;
        std::string path;
        bool exists;
    };

    // Starts watching at once. The listener is held weakly.
    static std::shared_ptr<AppsInTrashWatcher>
    create(std::weak_ptr<AppsInTrashWatcherListener> listener);

    // From the Trash folder's watcher.
    void onAddedAppWithPath(const std::string& path) override;
    // From the monitor of the applications folders.
    void moveToTrashWithoutTrashAccessMonitor(MoveToTrashWithoutTrashAccessMonitor& monitor,
                                              const std::string& path) override;

    // Applies the final application test to `path` and tells the listener, if it still exists,
    // of the bundle that passed it.
    void onAppMovedToTrash(const std::string& path);

    // The bundle at `path` if it is an application, not inside another bundle, with a bundle
    // identifier that the exclusion list does not name; otherwise none.
    static std::shared_ptr<platform::Bundle> isReallyAppBundlePath(const std::string& path);

    // The application of another kind (ApplicationKinds) at `path`, with its identity read,
    // when it passes the same test: not inside a bundle, with an identifier that the
    // exclusion list does not name; otherwise none. Reads the identity: off the main thread.
    static std::shared_ptr<platform::Bundle>
    isReallyApplicationOfOtherKindPath(const std::string& path);

    // What is watched: the Trash folders with Full Disk Access, the applications folders
    // without; each with whether it exists now.
    std::vector<WatchedPlace> watchedPlaces() const;
    // Whether Full Disk Access was granted when watching started.
    bool watchesTrashFolders() const { return m_pTrashWatcher != nullptr; }

    // The home Trash's watcher; none without Full Disk Access.
    const std::shared_ptr<DirectoryWatcher>& trashWatcher() const { return m_pTrashWatcher; }
    // The watchers of the mounted volumes' Trash folders; empty without Full Disk Access.
    const std::vector<std::shared_ptr<DirectoryWatcher>>& volumeTrashWatchers() const {
        return m_volumeTrashWatchers;
    }
    // None with Full Disk Access.
    const std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor>& monitor() const {
        return m_monitor;
    }
    void setMonitor(std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor> monitor) {
        m_monitor = std::move(monitor);
    }

private:
    explicit AppsInTrashWatcher(std::weak_ptr<AppsInTrashWatcherListener> listener)
        : m_pListener(std::move(listener)) {}

    void startWatching();
    static std::shared_ptr<platform::Bundle>
    passesApplicationTest(std::shared_ptr<platform::Bundle> application);

    std::shared_ptr<DirectoryWatcher> m_pTrashWatcher;
    std::vector<std::shared_ptr<DirectoryWatcher>> m_volumeTrashWatchers;
    std::weak_ptr<AppsInTrashWatcherListener> m_pListener;
    std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor> m_monitor;
};
