#include "shell/DirectoryWatcher.h"

#include "knowledge/MutableSystemSkipList.h"
#include "platform/DelayedCall.h"
#include "platform/GlobalQueue.h"
#include "platform/MainQueue.h"
#include "platform/Path.h"
#include "search/FileItem.h"
#include "shell/ApplicationDirectoryUtils.h"
#include "shell/ApplicationKinds.h"
#include "shell/TrashFolders.h"
#include "shell/VDKQueue.h"

#include <string_view>
#include <utility>
#include <vector>

DirectoryWatcher::DirectoryWatcher(std::string path)
    : m_sPath(std::move(path)), m_skipList(std::make_shared<MutableSystemSkipList>()) {}

std::shared_ptr<DirectoryWatcher> DirectoryWatcher::create(std::string path) {
    std::shared_ptr<DirectoryWatcher> watcher(new DirectoryWatcher(std::move(path)));
    // The tree is complete before the watcher listens to it, so what is already in the folder
    // is never reported.
    watcher->m_pPathTree =
        FileItem::createTreeForPath(watcher->m_sPath, 1, watcher->m_skipList.get());
    if (watcher->m_pPathTree)
        watcher->m_pPathTree->setListener(watcher);
    watcher->m_folderIdentity = FolderReturnWatch::Identity::of(watcher->m_sPath);
    watcher->m_bIsWatching = watcher->startWatching();
    if (watcher->m_bIsWatching && (!watcher->m_pPathTree || !watcher->m_folderIdentity))
        watcher->waitForFolder();
    return watcher;
}

DirectoryWatcher::~DirectoryWatcher() {
    if (m_pendingRefresh)
        m_pendingRefresh->cancel();
}

bool DirectoryWatcher::startWatching() {
    m_pVDKQueue = VDKQueue::create();
    if (!m_pVDKQueue)
        return false;
    m_pVDKQueue->setDelegate(weak_from_this());
    m_pVDKQueue->addPath(m_sPath);
    return true;
}

void DirectoryWatcher::setSkipList(std::shared_ptr<SystemSkipList> skipList) {
    m_skipList = std::move(skipList);
}

void DirectoryWatcher::vdkQueue(VDKQueue&, const std::string& noteName, const std::string&) {
    if (FolderReturnWatch::isLoss(noteName))
        m_folderLost = true;
    if (m_pendingRefresh)
        m_pendingRefresh->cancel();
    std::weak_ptr<DirectoryWatcher> weakSelf = weak_from_this();
    m_pendingRefresh =
        platform::DelayedCall::after(kRefreshDelay, platform::MainQueue::shared(), [weakSelf] {
            if (auto self = weakSelf.lock()) {
                self->m_pendingRefresh.reset();
                self->updateDirContent();
            }
        });
}

void DirectoryWatcher::updateDirContent() {
    ++m_refreshCount;
    if (m_returnWatch)
        return;
    // A folder deleted, or replaced by another of the same name, is no longer seen by the
    // kernel watch; everything it held is gone with it.
    if (m_folderLost || !m_folderIdentity ||
        FolderReturnWatch::Identity::of(m_sPath) != m_folderIdentity) {
        waitForFolder();
        return;
    }
    if (std::shared_ptr<FileItem> root = getFileItemWithPath(m_sPath))
        root->updateContentOfDir(m_skipList.get());
}

void DirectoryWatcher::waitForFolder() {
    m_folderLost = false;
    if (m_pVDKQueue)
        m_pVDKQueue->removePath(m_sPath);
    if (m_pendingRefresh) {
        m_pendingRefresh->cancel();
        m_pendingRefresh.reset();
    }
    std::weak_ptr<DirectoryWatcher> weakSelf = weak_from_this();
    m_returnWatch = FolderReturnWatch::create(m_sPath, [weakSelf] {
        if (auto self = weakSelf.lock())
            self->onFolderReturned();
    });
}

void DirectoryWatcher::onFolderReturned() {
    m_returnWatch.reset();
    // Watch first, so that nothing arriving while the folder is read is missed: it causes a
    // refresh, which finds it new against the tree read here.
    m_pVDKQueue->addPath(m_sPath);
    m_folderIdentity = FolderReturnWatch::Identity::of(m_sPath);
    m_pPathTree = FileItem::createTreeForPath(m_sPath, 1, m_skipList.get());
    if (!m_pPathTree || !m_folderIdentity) {
        waitForFolder();
        return;
    }
    m_pPathTree->setListener(shared_from_this());
    // The folder is new, so everything in it arrived after watching started.
    std::shared_ptr<FileItem> root = m_pPathTree;
    if (const FileItem::Children* children = root->getChildren()) {
        std::vector<std::shared_ptr<FileItem>> arrived;
        for (const auto& [name, child] : *children)
            arrived.push_back(child);
        for (const auto& child : arrived)
            onAddedFileItem(child, root);
    }
}

void DirectoryWatcher::onAddedFileItem(const std::shared_ptr<FileItem>& item,
                                       const std::shared_ptr<FileItem>&) {
    if (!item || notifyIsFileItemIsApp(item) || !item->isDir())
        return;
    // The folder may still be filling up; it is searched once, when it has had time to settle.
    std::weak_ptr<DirectoryWatcher> weakSelf = weak_from_this();
    platform::DelayedCall::after(kFolderScanDelay, platform::MainQueue::shared(),
                                 [weakSelf, path = item->buildFullPath()] {
                                     if (auto self = weakSelf.lock())
                                         self->checkFolderForAppsWithPath(path);
                                 });
}

bool DirectoryWatcher::notifyIsFileItemIsApp(const std::shared_ptr<FileItem>& item) {
    // A file may be an application of another kind (an AppImage), told by its first bytes.
    if (item && !item->isDir()) {
        if (item->isSymLink())
            return false;
        if (m_arrivedFiles.empty() && m_arrivedPaths.empty()) {
            std::weak_ptr<DirectoryWatcher> weakSelf = weak_from_this();
            platform::MainQueue::shared().async([weakSelf] {
                if (auto self = weakSelf.lock())
                    self->checkArrivedFiles();
            });
        }
        // Only the item is kept: its path is made after the refresh, which reports the
        // bundles of the same burst without waiting for it.
        m_arrivedFiles.push_back(item);
        return false;
    }
    // Only a name ending in ".app" can be an application. The checks by path below cost a
    // walk from the root each, which a deep folder would otherwise repeat at every level.
    if (!item || !item->isDir() || item->getNameWithExt().find(".app") == std::string::npos)
        return false;
    std::string path = item->buildFullPath();
    // A Trash may have renamed the application past its extension ("Foo.app_1"); its trash
    // information tells.
    bool isApplication = item->getNameWithExt().ends_with(".app")
                             ? ApplicationDirectoryUtils::isApplicationAtPath(path)
                             : TrashFolders::isTrashedApplication(path);
    if (!isApplication || ApplicationDirectoryUtils::parentBundlePathForPath(path))
        return false;
    notifyDelegateThatAddedAppWithPath(path);
    return true;
}

void DirectoryWatcher::checkFolderForAppsWithPath(const std::string& path) {
    std::shared_ptr<FileItem> tree = FileItem::createTreeForPath(path, m_skipList.get());
    if (!tree)
        return;
    std::vector<std::shared_ptr<FileItem>> level{tree};
    std::vector<std::shared_ptr<FileItem>> nextLevel;
    while (!level.empty()) {
        for (const auto& node : level) {
            const FileItem::Children* children = node->getChildren();
            if (!children)
                continue;
            for (const auto& [name, child] : *children) {
                if (!notifyIsFileItemIsApp(child) && child->isDir())
                    nextLevel.push_back(child);
            }
        }
        level.swap(nextLevel);
        nextLevel.clear();
    }
    // The scanned tree goes with this call: the files it set aside need their paths now.
    takeArrivedPaths();
}

std::shared_ptr<FileItem> DirectoryWatcher::getFileItemWithPath(const std::string& path) const {
    if (path == m_sPath)
        return m_pPathTree;
    if (!m_pPathTree || path.size() <= m_sPath.size() + 1 || !path.starts_with(m_sPath) ||
        path[m_sPath.size()] != '/')
        return nullptr;
    std::string_view rest(path);
    rest.remove_prefix(m_sPath.size() + 1);
    std::shared_ptr<FileItem> node = m_pPathTree;
    while (node && node->getChildren()) {
        std::size_t slash = rest.find('/');
        node = node->getChildrenWithName(rest.substr(0, slash));
        if (slash == std::string_view::npos)
            return node;
        rest.remove_prefix(slash + 1);
    }
    return nullptr;
}

void DirectoryWatcher::takeArrivedPaths() {
    m_arrivedPaths.reserve(m_arrivedPaths.size() + m_arrivedFiles.size());
    for (const std::shared_ptr<FileItem>& item : std::exchange(m_arrivedFiles, {})) {
        // The path from the folder's, which the tree knows already: asking the file for its
        // own would make it keep a copy, one for every file in the Trash.
        const std::shared_ptr<FileItem> parent = item->getParent();
        std::string path =
            parent ? platform::Path::appending(parent->buildFullPath(), item->getNameWithExt())
                   : item->buildFullPath();
        if (path.starts_with('/'))
            m_arrivedPaths.push_back(std::move(path));
    }
}

void DirectoryWatcher::checkArrivedFiles() {
    takeArrivedPaths();
    std::weak_ptr<DirectoryWatcher> weakSelf = weak_from_this();
    platform::GlobalQueue::shared().async([weakSelf, files = std::exchange(m_arrivedPaths, {})] {
        for (const std::string& path : files) {
            if (!ApplicationKinds::mayBeApplicationAt(path))
                continue;
            platform::MainQueue::shared().async([weakSelf, path] {
                if (auto self = weakSelf.lock())
                    self->notifyDelegateThatAddedAppWithPath(path);
            });
        }
    });
}

void DirectoryWatcher::notifyDelegateThatAddedAppWithPath(const std::string& path) {
    if (auto receiver = delegate())
        receiver->onAddedAppWithPath(path);
}
