#include "app/ApplicationService.h"
#include "app/MainQueueHost.h"
#include "app/SessionBus.h"
#include "app/SingleInstance.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "shell/DistributedNotificationCenter.h"
#include "shell/FullDiskAccessManager.h"
#include "shell/HelperResources.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
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

void answerFullDiskAccessRequests() {
    using Names = MonitorTrashDistributedNotificationNames;
    DistributedNotificationCenter::shared()->addObserver(
        Names::requestFullDiskAccessState, [](const auto&, const auto&, const auto&) {
            platform::PlistValue::Dictionary info;
            info[Names::isAccessGranted] = FullDiskAccessManager::fullAccessGranted();
            DistributedNotificationCenter::shared()->post(Names::responseFullDiskAccessState,
                                                          std::nullopt,
                                                          platform::PlistValue(std::move(info)));
        });
}

void logOpenedFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        std::fprintf(stderr, "SweepwiseHelper: open %s\n", path.c_str());
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    std::unique_ptr<MainQueueHost> host = MainQueueHost::create(platform::MainQueue::shared());
    if (!host) {
        std::fputs("SweepwiseHelper: cannot drive the main queue\n", stderr);
        return 1;
    }
    useBundleResources();

    // Everything that answers other programs is in place before the bus name is
    // claimed, so whoever sees the helper on the bus can ask it at once.
    SessionBus::install();
    answerFullDiskAccessRequests();

    // Qt has taken its own options out of argv; the rest are files, kept as bytes.
    std::vector<std::string> files(argv + 1, argv + argc);
    if (!SingleInstance::claimOrForward(WatcherSettings::GetInstance().getHelperAppBundleID(),
                                        files))
        return 0;
    if (auto service = SingleInstance::service())
        service->setOpenHandler(logOpenedFiles);
    logOpenedFiles(files);

    int status = QApplication::exec();
    SingleInstance::release();
    DistributedNotificationCenter::setShared(nullptr);
    Workspace::setShared(nullptr);
    return status;
}
