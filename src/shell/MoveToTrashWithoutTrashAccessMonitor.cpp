#include "shell/MoveToTrashWithoutTrashAccessMonitor.h"

#include "platform/DelayedCall.h"
#include "platform/FileReference.h"
#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "shell/PathsGenerator.h"

namespace {

const std::vector<std::string>& watchedFolders() {
    static const std::vector<std::string> folders = {
        PathsGenerator::GetInstance().buildUserApplicationsDirectory(),
        PathsGenerator::GetInstance().buildSystemApplicationsDirectory(),
    };
    return folders;
}

} // namespace

std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor>
MoveToTrashWithoutTrashAccessMonitor::create() {
    // Every application in the mirrored folders holds a descriptor.
    static const bool raised = [] {
        platform::FileReference::raiseOpenFileLimit();
        return true;
    }();
    (void)raised;

    std::shared_ptr<MoveToTrashWithoutTrashAccessMonitor> monitor(
        new MoveToTrashWithoutTrashAccessMonitor);
    for (const std::string& folder : watchedFolders())
        monitor->m_submonitors.push_back(
            MoveToTrashWithoutTrashAccessMonitorSingleDirectory::create(folder, 0));
    for (const auto& submonitor : monitor->m_submonitors)
        submonitor->setDelegate(monitor->weak_from_this());
    return monitor;
}

void MoveToTrashWithoutTrashAccessMonitor::moveToTrashWithoutTrashAccessMonitorSingleDirectory(
    MoveToTrashWithoutTrashAccessMonitorSingleDirectory&, const std::string& path) {
    std::weak_ptr<MoveToTrashWithoutTrashAccessMonitor> weakMonitor = weak_from_this();
    // The Trash is only looked at again when the report is due: an application taken back out
    // or removed for good meanwhile is not reported.
    platform::DelayedCall::after(kReportDelay, platform::MainQueue::shared(), [weakMonitor, path] {
        auto monitor = weakMonitor.lock();
        if (!monitor)
            return;
        bool isDirectory = false;
        if (!platform::FileSystem::fileExists(path, &isDirectory) || !isDirectory)
            return;
        if (auto receiver = monitor->delegate())
            receiver->moveToTrashWithoutTrashAccessMonitor(*monitor, path);
    });
}
