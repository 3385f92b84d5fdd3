#pragma once

#include "platform/Bundle.h"
#include "shell/AppNotificationController.h"
#include "shell/AppsInTrashWatcherListener.h"
#include "shell/DistributedNotificationCenter.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class AppsInTrashWatcher;
class FlatpakWatcher;
class NameExcluder;

// The helper's application delegate: it starts the Trash watcher, the
// notification controller, the self-watch and the answer to the Full Disk
// Access query, routes every application that reaches the Trash, and reads the
// commands the main application sends in message files.
//
// Main thread only: the watcher, the notification centre's observers, the
// clearing step and the open-file entry all run there.
class AppDelegate : public AppsInTrashWatcherListener,
                    public std::enable_shared_from_this<AppDelegate> {
public:
    using ControllerFactory = std::function<std::shared_ptr<AppNotificationController>()>;

    // How long the exclusions that exist when a clear command arrives stay active.
    static constexpr std::chrono::milliseconds kClearExclusionsDelay{5000};

    // `makeController` makes the notification controller at start-up. The helper's
    // own bundle is taken from the running program unless `ownBundlePath` is given.
    static std::shared_ptr<AppDelegate> create(ControllerFactory makeController);
    static std::shared_ptr<AppDelegate> create(ControllerFactory makeController,
                                               std::optional<std::string> ownBundlePath);
    ~AppDelegate() override;

    // Start-up, in order: the Full Disk Access observer (on systems from 10.15.7
    // on, and on an unknown system), an empty exclusion list, the notification
    // controller, the self-watch of the helper's bundle, the Trash watcher.
    void applicationDidFinishLaunching();
    // Nothing is saved or taken down at the end.
    void applicationWillTerminate() {}

    // Replaces any previous Trash watcher with a new one, which starts at once.
    void startWatching();
    // Posts the answer to the Full Disk Access query, evaluated afresh.
    void requestAccess();

    // The open-file entry: message files from the main application.
    bool openFile(const std::string& path);
    void openFiles(const std::vector<std::string>& paths);
    void processOpenFileWithPath(const std::string& path);

    void onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) override;
    // A Flatpak application left its installations: offered like an application moved to
    // the Trash, without the broadcast of a move to the Trash.
    void onApplicationUninstalled(const std::shared_ptr<platform::Bundle>& bundle);

    const std::vector<std::shared_ptr<NameExcluder>>& excluders() const { return m_excluders; }
    const std::shared_ptr<AppsInTrashWatcher>& trashWatcher() const { return m_pTrashWatcher; }
    const std::shared_ptr<FlatpakWatcher>& flatpakWatcher() const { return m_flatpakWatcher; }
    const std::shared_ptr<AppNotificationController>& notificationController() const {
        return m_pRichNotificationWC;
    }
    bool isAnsweringFullDiskAccessRequests() const { return m_requestObserver != 0; }

private:
    AppDelegate(ControllerFactory makeController, std::optional<std::string> ownBundlePath)
        : m_makeController(std::move(makeController)), m_ownBundlePath(std::move(ownBundlePath)) {}

    bool isExcluded(const std::string& path) const;
    void scheduleClearingOfExcluders();
    void addExcluders(const std::vector<std::string>& paths);

    std::shared_ptr<AppsInTrashWatcher> m_pTrashWatcher;
    std::shared_ptr<FlatpakWatcher> m_flatpakWatcher;
    std::shared_ptr<AppNotificationController> m_pRichNotificationWC;
    std::vector<std::shared_ptr<NameExcluder>> m_excluders;

    ControllerFactory m_makeController;
    std::optional<std::string> m_ownBundlePath;
    std::shared_ptr<DistributedNotificationCenter> m_requestCenter;
    DistributedNotificationCenter::ObserverToken m_requestObserver{0};
};
