#include "app/ApplicationService.h"
#include "app/DesktopNotification.h"
#include "app/DisplayPlatform.h"
#include "app/MainQueueHost.h"
#include "app/QuitSignals.h"
#include "app/SessionBus.h"
#include "app/SessionBusKeeper.h"
#include "app/SingleInstance.h"
#include "notification/RichNotificationWC.h"
#include "notification/RichNotificationWindow.h"
#include "notification/SimpleRemainsProvider.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/GlobalQueue.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "search/KnowledgeBaseSearchQueue.h"
#include "shell/AppDelegate.h"
#include "shell/AppsInTrashWatcher.h"
#include "shell/DistributedNotificationCenter.h"
#include "shell/HelperResources.h"
#include "shell/UpdateRestarter.h"
#include "shell/WatcherSettings.h"
#include "shell/Workspace.h"

#include <QApplication>
#include <string>
#include <vector>

namespace {

// The strings tables of the helper's own bundle, when it runs from one.
void useBundleResources() {
    auto bundle = platform::Bundle::mainBundle();
    if (!bundle)
        return;
    std::string resources = bundle->resourcePath();
    if (platform::FileSystem::fileExists(platform::Path::appending(resources, "en.lproj")))
        HelperResources::setResourceFolder(resources);
}

// The notification panel, as the delegate sees it. Each application it is offered
// leaves one line in the log, since the panel may decide not to appear.
class PanelController : public AppNotificationController {
public:
    explicit PanelController(std::shared_ptr<RichNotificationWC> controller)
        : m_controller(std::move(controller)) {}

    void showNotificationForApp(const std::shared_ptr<platform::Bundle>& bundle) override {
        if (bundle)
            platform::Log::info(platform::Log::Component::App, "offering " + bundle->bundlePath());
        m_controller->showNotificationForApp(bundle);
    }

private:
    std::shared_ptr<RichNotificationWC> m_controller;
};

// The bus connection of the moment: the keeper's, which follows a restarted bus.
DesktopNotification::ConnectionSource currentBus(const SessionBusKeeper* keeper) {
    return [keeper]() -> std::optional<QDBusConnection> {
        if (!keeper)
            return SessionBus::connection();
        QDBusConnection bus = keeper->connection();
        return bus.isConnected() ? std::optional(bus) : std::nullopt;
    };
}

std::shared_ptr<AppNotificationController> makePanelController(const SessionBusKeeper* keeper) {
    auto controller = RichNotificationWC::create(std::make_shared<SimpleRemainsProvider>());
    if (!controller) {
        platform::Log::error(platform::Log::Component::App, "cannot create the notification panel");
        return nullptr;
    }
    if (!DisplayPlatform::canPlacePanels(QGuiApplication::platformName().toStdString())) {
        // "Uninstall" and "Ignore" of the desktop's notification do what the panel's do.
        std::weak_ptr<RichNotificationWC> weak = controller;
        controller->setPresenter(std::make_shared<DesktopNotification>(
            currentBus(keeper),
            [weak] {
                if (auto panel = weak.lock())
                    panel->onSelectCompleteUninstall();
            },
            [weak] {
                if (auto panel = weak.lock())
                    panel->onNotificationClose();
            }));
    }
    return std::make_shared<PanelController>(std::move(controller));
}

// One line per watched folder and the way it is watched, so that a user can tell from the
// log what the helper sees, and a warning when none of it is there to be seen.
void logWatchedPlaces(const AppsInTrashWatcher& watcher) {
    using Kind = AppsInTrashWatcher::WatchedPlace::Kind;
    bool anyExists = false;
    for (const auto& place : watcher.watchedPlaces()) {
        const char* what = place.kind == Kind::Trash         ? "the Trash"
                           : place.kind == Kind::VolumeTrash ? "a volume's Trash"
                                                             : "the applications folder";
        const char* how = place.kind == Kind::ApplicationsFolder
                              ? "without Full Disk Access: applications moved from it to the Trash"
                              : "with Full Disk Access";
        platform::Log::info(platform::Log::Component::App,
                            std::string("watching ") + what + " " + place.path + " (" + how + ")" +
                                (place.exists ? "" : ", not there yet"));
        anyExists = anyExists || place.exists;
    }
    if (!anyExists)
        platform::Log::warning(platform::Log::Component::App,
                               "none of the watched folders exists; no application moved to "
                               "the Trash will be noticed");
}

void logOpenedFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        platform::Log::info(platform::Log::Component::App, "open " + path);
}

} // namespace

int main(int argc, char** argv) {
    // Before the application object, which loads the platform.
    DisplayPlatform::prepare();
    QApplication application(argc, argv);
    // The helper has no window of its own; the panel comes and goes.
    application.setQuitOnLastWindowClosed(false);
    // Kept to the very end, so that a second signal during the clean-up changes nothing.
    std::unique_ptr<QuitSignals> quitSignals = QuitSignals::install();
    if (!quitSignals)
        platform::Log::error(platform::Log::Component::App, "cannot catch the quit signals");
    std::unique_ptr<MainQueueHost> host = MainQueueHost::create(platform::MainQueue::shared());
    if (!host) {
        platform::Log::error(platform::Log::Component::App, "cannot drive the main queue");
        return 1;
    }
    useBundleResources();

    // Everything that answers other programs is in place before the bus name is
    // claimed, so whoever sees the helper on the bus can ask it at once. Without a
    // bus, install() says so in one line and the helper still watches the Trash
    // and shows the panel. A bus that goes away later is waited for and rejoined.
    std::unique_ptr<SessionBusKeeper> keeper = SessionBus::installKept();
    UpdateRestarter::setApplicationTerminator([] { QCoreApplication::quit(); });
    const std::string qtPlatform = QGuiApplication::platformName().toStdString();
    if (!DisplayPlatform::canPlacePanels(qtPlatform))
        platform::Log::warning(
            platform::Log::Component::App,
            "cannot show panels (" +
                DisplayPlatform::whyPanelsCannotShow(DisplayPlatform::Environment::current(),
                                                     qtPlatform) +
                "); applications moved to the Trash are offered as desktop notifications");
    std::shared_ptr<AppDelegate> delegate =
        AppDelegate::create([keeper = keeper.get()] { return makePanelController(keeper); });
    delegate->applicationDidFinishLaunching();
    if (delegate->trashWatcher())
        logWatchedPlaces(*delegate->trashWatcher());

    // Qt has taken its own options out of argv; the rest are files, kept as bytes.
    std::vector<std::string> files(argv + 1, argv + argc);
    if (!SingleInstance::claimOrForward(WatcherSettings::GetInstance().getHelperAppBundleID(),
                                        files))
        return 0;
    std::weak_ptr<AppDelegate> weakDelegate = delegate;
    if (auto service = SingleInstance::service())
        service->setOpenHandler([weakDelegate](const std::vector<std::string>& paths) {
            logOpenedFiles(paths);
            if (auto delegate = weakDelegate.lock())
                delegate->openFiles(paths);
        });
    logOpenedFiles(files);
    delegate->openFiles(files);

    int status = QApplication::exec();
    if (quitSignals && quitSignals->receivedSignal() != 0)
        platform::Log::info(platform::Log::Component::App,
                            "quitting on signal " + std::to_string(quitSignals->receivedSignal()));
    delegate->applicationWillTerminate();
    // Searches still running use objects that the end of the program frees: the waiting ones
    // are dropped, and the running ones finish now, while everything they use is alive.
    KnowledgeBaseSearchQueue::shared().stop();
    platform::GlobalQueue::shared().shutDown();
    keeper.reset();
    SingleInstance::release();
    delegate.reset();
    DistributedNotificationCenter::setShared(nullptr);
    Workspace::setShared(nullptr);
    return status;
}
