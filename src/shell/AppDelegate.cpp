#include "shell/AppDelegate.h"

#include "platform/DelayedCall.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "shell/AppsInTrashWatcher.h"
#include "shell/CanonicalPath.h"
#include "shell/FileMessage.h"
#include "shell/FlatpakWatcher.h"
#include "shell/FullDiskAccessManager.h"
#include "shell/MacOSVersion.h"
#include "shell/MonitorTrashDistributedNotificationNames.h"
#include "shell/NameExcluder.h"
#include "shell/PathBytes.h"
#include "shell/TrashFolders.h"
#include "shell/UpdateRestarter.h"

#include <set>

namespace {

// The name an exclusion path stands for, or why there is none. An empty prefix would
// match every name, and a relative path, "/", "." or ".." names no application, so
// those are refused rather than allowed to silence the helper.
std::optional<std::string> exclusionName(const std::string& path, const char** whyNot) {
    if (path.empty()) {
        *whyNot = "it is empty";
        return std::nullopt;
    }
    if (!path.starts_with('/')) {
        *whyNot = "it is not an absolute path";
        return std::nullopt;
    }
    std::string last = platform::Path::lastComponent(path);
    std::string name = platform::Path::deletingExtension(last);
    if (last == "/" || last == "." || last == ".." || name.empty()) {
        *whyNot = "it names no application";
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> mainBundlePath() {
    if (auto bundle = platform::Bundle::mainBundle())
        return bundle->bundlePath();
    return std::nullopt;
}

} // namespace

std::shared_ptr<AppDelegate> AppDelegate::create(ControllerFactory makeController) {
    return create(std::move(makeController), mainBundlePath());
}

std::shared_ptr<AppDelegate> AppDelegate::create(ControllerFactory makeController,
                                                 std::optional<std::string> ownBundlePath) {
    return std::shared_ptr<AppDelegate>(
        new AppDelegate(std::move(makeController), std::move(ownBundlePath)));
}

AppDelegate::~AppDelegate() {
    if (m_requestCenter)
        m_requestCenter->removeObserver(m_requestObserver);
}

void AppDelegate::applicationDidFinishLaunching() {
    using Names = MonitorTrashDistributedNotificationNames;
    // Older systems never get an answer; an unknown system counts as a new one.
    if (MacOSVersion::GetInstance().isMacOSHasVersion("10.15.7", false, true)) {
        m_requestCenter = DistributedNotificationCenter::shared();
        std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
        m_requestObserver = m_requestCenter->addObserver(
            Names::requestFullDiskAccessState, [weakSelf](const auto&, const auto&, const auto&) {
                if (auto self = weakSelf.lock())
                    self->requestAccess();
            });
    }
    m_excluders.clear();
    if (m_makeController)
        m_pRichNotificationWC = m_makeController();
    UpdateRestarter::GetInstance();
    startWatching();
}

void AppDelegate::startWatching() {
    m_pTrashWatcher = AppsInTrashWatcher::create(weak_from_this());
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    m_flatpakWatcher =
        FlatpakWatcher::create([weakSelf](const std::shared_ptr<platform::Bundle>& bundle) {
            if (auto self = weakSelf.lock())
                self->onApplicationUninstalled(bundle);
        });
}

void AppDelegate::requestAccess() {
    using Names = MonitorTrashDistributedNotificationNames;
    platform::PlistValue::Dictionary info;
    info[Names::isAccessGranted] = FullDiskAccessManager::fullAccessGranted();
    DistributedNotificationCenter::shared()->post(Names::responseFullDiskAccessState, std::nullopt,
                                                  platform::PlistValue(std::move(info)));
}

bool AppDelegate::openFile(const std::string& path) {
    processOpenFileWithPath(path);
    return true;
}

void AppDelegate::openFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        processOpenFileWithPath(path);
}

void AppDelegate::processOpenFileWithPath(const std::string& path) {
    if (platform::Path::extension(path) != FileMessage::kHelperMessageExtension)
        return;
    // Loading deletes the file, whether or not it decodes.
    std::optional<MessageFileFault> fault;
    std::shared_ptr<FileMessage> message = FileMessage::loadFromFile(path, &fault);
    if (!message && fault)
        platform::Log::warning(platform::Log::Component::Shell,
                               "ignored the command file " + path + ": " + fault->describe());
    if (FileMessage::ReadCancelExcludeRemovedPathsFromMessage(message.get()))
        scheduleClearingOfExcluders();
    else if (std::optional<std::vector<std::string>> paths =
                 FileMessage::ReadExcludePaths(message.get()))
        addExcluders(*paths);
    else if (message)
        platform::Log::warning(
            platform::Log::Component::Shell,
            "ignored the command file " + path + ": " +
                std::string(MessageFileFault::nameOf(MessageFileFault::Kind::NoItems)));
}

void AppDelegate::scheduleClearingOfExcluders() {
    // Only the excluders that exist now go; those added meanwhile stay.
    std::set<std::shared_ptr<NameExcluder>> snapshot(m_excluders.begin(), m_excluders.end());
    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    platform::DelayedCall::after(kClearExclusionsDelay, platform::MainQueue::shared(),
                                 [weakSelf, snapshot = std::move(snapshot)]() mutable {
                                     auto self = weakSelf.lock();
                                     if (!self)
                                         return;
                                     std::vector<std::shared_ptr<NameExcluder>> kept;
                                     for (const auto& excluder : self->m_excluders) {
                                         if (snapshot.erase(excluder) == 0)
                                             kept.push_back(excluder);
                                     }
                                     self->m_excluders = std::move(kept);
                                 });
}

void AppDelegate::addExcluders(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const char* whyNot = "";
        std::optional<std::string> name = exclusionName(path, &whyNot);
        if (!name) {
            platform::Log::warning(platform::Log::Component::Shell,
                                   "ignored the exclusion \"" + path + "\": " + whyNot);
            continue;
        }
        m_excluders.push_back(std::make_shared<NameExcluder>(std::move(*name)));
    }
}

bool AppDelegate::isExcluded(const std::string& path) const {
    // The monitor without Trash access reports the path the kernel knows, with every link
    // resolved, and the watcher reports it through the home folder as configured; both are
    // compared with each Trash in the same form.
    std::string rest;
    for (const std::string& trash : TrashFolders::all()) {
        rest = CanonicalPath::relativeTo(path, trash);
        if (!rest.empty())
            break;
    }
    if (rest.empty())
        return false;
    // The Trash may have renamed the item to keep names apart ("Foo.2.app"); the name it had
    // before, from its trash information, is asked too.
    std::optional<std::string> original = TrashFolders::originalPathOf(path);
    std::string originalName = original ? platform::Path::lastComponent(*original) : std::string();
    for (auto it = m_excluders.rbegin(); it != m_excluders.rend(); ++it) {
        if ((*it)->isExcludedName(rest) ||
            (!originalName.empty() && (*it)->isExcludedName(originalName)))
            return true;
    }
    return false;
}

void AppDelegate::onAppMovedToTrash(const std::shared_ptr<platform::Bundle>& bundle) {
    // A helper moved away with its main application reports nothing.
    if (!m_ownBundlePath || !platform::FileSystem::fileExists(*m_ownBundlePath))
        return;
    const std::string* path = bundle ? &bundle->bundlePath() : nullptr;
    if (path && isExcluded(*path))
        return;
    if (path && !path->empty()) {
        // A name that is not UTF-8 goes out readable, with its exact bytes beside it.
        bool posted = DistributedNotificationCenter::shared()->post(
            MonitorTrashDistributedNotificationNames::userDidMoveApplicationToTrashEvent,
            PathBytes::readableForm(*path), PathBytes::notificationUserInfo(*path));
        if (!posted)
            platform::Log::warning(platform::Log::Component::Shell,
                                   "could not broadcast the move of " +
                                       PathBytes::readableForm(*path) + " to the Trash");
    }
    if (m_pRichNotificationWC)
        m_pRichNotificationWC->showNotificationForApp(bundle);
}

void AppDelegate::onApplicationUninstalled(const std::shared_ptr<platform::Bundle>& bundle) {
    if (!m_ownBundlePath || !platform::FileSystem::fileExists(*m_ownBundlePath) || !bundle ||
        isExcluded(bundle->bundlePath()))
        return;
    if (m_pRichNotificationWC)
        m_pRichNotificationWC->showNotificationForApp(bundle);
}
