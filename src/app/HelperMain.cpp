#include "app/ApplicationService.h"
#include "app/MainQueueHost.h"
#include "app/SessionBus.h"
#include "app/SessionBusKeeper.h"
#include "app/SingleInstance.h"
#include "notification/RichNotificationWC.h"
#include "notification/RichNotificationWindow.h"
#include "notification/SimpleRemainsProvider.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "shell/AppDelegate.h"
#include "shell/DistributedNotificationCenter.h"
#include "shell/HelperResources.h"
#include "shell/UpdateRestarter.h"
#include "shell/WatcherSettings.h"
#include "shell/Workspace.h"

#include <QApplication>
#include <cstdio>
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
            std::fprintf(stderr, "SweepwiseHelper: offering %s\n", bundle->bundlePath().c_str());
        m_controller->showNotificationForApp(bundle);
    }

private:
    std::shared_ptr<RichNotificationWC> m_controller;
};

std::shared_ptr<AppNotificationController> makePanelController() {
    auto controller = RichNotificationWC::create(std::make_shared<SimpleRemainsProvider>());
    if (!controller) {
        std::fputs("SweepwiseHelper: cannot create the notification panel\n", stderr);
        return nullptr;
    }
    return std::make_shared<PanelController>(std::move(controller));
}

void logOpenedFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        std::fprintf(stderr, "SweepwiseHelper: open %s\n", path.c_str());
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The helper has no window of its own; the panel comes and goes.
    application.setQuitOnLastWindowClosed(false);
    std::unique_ptr<MainQueueHost> host = MainQueueHost::create(platform::MainQueue::shared());
    if (!host) {
        std::fputs("SweepwiseHelper: cannot drive the main queue\n", stderr);
        return 1;
    }
    useBundleResources();

    // Everything that answers other programs is in place before the bus name is
    // claimed, so whoever sees the helper on the bus can ask it at once. Without a
    // bus, install() says so in one line and the helper still watches the Trash
    // and shows the panel. A bus that goes away later is waited for and rejoined.
    std::unique_ptr<SessionBusKeeper> keeper = SessionBus::installKept();
    UpdateRestarter::setApplicationTerminator([] { QCoreApplication::quit(); });
    std::shared_ptr<AppDelegate> delegate = AppDelegate::create(makePanelController);
    delegate->applicationDidFinishLaunching();

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
    delegate->applicationWillTerminate();
    keeper.reset();
    SingleInstance::release();
    delegate.reset();
    DistributedNotificationCenter::setShared(nullptr);
    Workspace::setShared(nullptr);
    return status;
}
