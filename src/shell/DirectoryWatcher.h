#pragma once

#include "search/FileItemListener.h"
#include "shell/DirectoryWatcherDelegate.h"
#include "shell/FolderReturnWatch.h"
#include "shell/VDKQueueDelegate.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FileItem;
class SystemSkipList;
class VDKQueue;

namespace platform {
class DelayedCall;
}

// Watches one folder (the Trash) for applications that arrive in it. It keeps a tree of the
// folder's first level and, 2 seconds after the last change of a burst, lists the folder again:
// an application that arrived is reported at once, and every folder that arrived is searched
// for applications 2 seconds later. Whatever leaves the folder is ignored, and what lies in it
// when watching starts is never reported.
//
// A folder that is deleted (or missing at start) is waited for: once a folder is at the path
// again, it is watched, and whatever it holds by then has arrived and is reported.
//
// Created, used and released on the main thread; reports arrive there too.
class DirectoryWatcher final : public FileItemListener,
                               public VDKQueueDelegate,
                               public std::enable_shared_from_this<DirectoryWatcher> {
public:
    // How long the folder must stay quiet before it is listed again.
    static constexpr std::chrono::milliseconds kRefreshDelay{2000};
    // How long after its arrival a folder is searched for applications.
    static constexpr std::chrono::milliseconds kFolderScanDelay{2000};

    // Loads the folder's first level, then starts watching it. A folder that does not exist
    // gives a watcher that never reports anything.
    static std::shared_ptr<DirectoryWatcher> create(std::string path);

    ~DirectoryWatcher() override;
    DirectoryWatcher(const DirectoryWatcher&) = delete;
    DirectoryWatcher& operator=(const DirectoryWatcher&) = delete;

    std::shared_ptr<DirectoryWatcherDelegate> delegate() const { return m_pDelegate.lock(); }
    void setDelegate(std::weak_ptr<DirectoryWatcherDelegate> delegate) {
        m_pDelegate = std::move(delegate);
    }
    // Whether the folder's file event queue could be set up.
    bool isWatching() const { return m_bIsWatching; }
    const std::string& getPath() const { return m_sPath; }
    // Used for every tree this watcher loads; a fresh MutableSystemSkipList at first.
    const std::shared_ptr<SystemSkipList>& skipList() const { return m_skipList; }
    void setSkipList(std::shared_ptr<SystemSkipList> skipList);

    // Any event of the folder (re)starts the wait for the refresh.
    void vdkQueue(VDKQueue& queue, const std::string& noteName, const std::string& fpath) override;

    // Lists the folder again; what arrived comes back through onAddedFileItem(). When the
    // folder is no longer the one watched, waits for it to come back instead.
    void updateDirContent();
    // Whether the watcher is waiting for the folder to come back.
    bool isWaitingForFolder() const { return m_returnWatch != nullptr; }
    // How many times updateDirContent() has run.
    std::size_t refreshCount() const { return m_refreshCount; }

    // The root of the folder's tree has no parent.
    std::shared_ptr<FileItem> getFileItemParent() override { return nullptr; }
    // Reports an arriving application, or schedules the search of an arriving folder.
    void onAddedFileItem(const std::shared_ptr<FileItem>& item,
                         const std::shared_ptr<FileItem>& parent) override;
    void onRemovedFileItem(const std::shared_ptr<FileItem>&,
                           const std::shared_ptr<FileItem>&) override {}

    // Reports `item` if it is an application folder that no other bundle encloses; answers
    // whether it did. A file is set aside for checkArrivedFiles(), which looks at the first
    // bytes of each off the main thread (it may be an application of another kind), so a
    // burst of thousands of files costs the refresh nothing.
    bool notifyIsFileItemIsApp(const std::shared_ptr<FileItem>& item);
    // Searches the folder at `path` breadth first and reports every application found in it,
    // without entering applications. A folder that has gone is skipped.
    void checkFolderForAppsWithPath(const std::string& path);
    // The node of the folder's tree for `path`: the root for the folder itself, otherwise the
    // node reached name by name below it; none when a node on the way is not loaded.
    std::shared_ptr<FileItem> getFileItemWithPath(const std::string& path) const;
    void notifyDelegateThatAddedAppWithPath(const std::string& path);

private:
    explicit DirectoryWatcher(std::string path);

    // Makes a new file event queue watch the folder; false when there is no queue to be had.
    bool startWatching();
    void waitForFolder();
    // Watches the folder that came back and reports what it holds.
    void onFolderReturned();
    // Hands the files that arrived to the global queue, which reports those that are
    // applications of another kind back on the main queue.
    void checkArrivedFiles();
    // Moves the paths of the files set aside into m_arrivedPaths.
    void takeArrivedPaths();

    std::weak_ptr<DirectoryWatcherDelegate> m_pDelegate;
    bool m_bIsWatching{false};
    const std::string m_sPath;
    std::shared_ptr<FileItem> m_pPathTree;
    std::shared_ptr<VDKQueue> m_pVDKQueue;
    std::shared_ptr<SystemSkipList> m_skipList;
    std::shared_ptr<platform::DelayedCall> m_pendingRefresh;
    std::optional<FolderReturnWatch::Identity> m_folderIdentity;
    std::shared_ptr<FolderReturnWatch> m_returnWatch;
    // The kernel said the watched folder itself went away.
    bool m_folderLost{false};
    std::size_t m_refreshCount{0};
    // Files that arrived since the last checkArrivedFiles(), which is scheduled when the
    // first one comes.
    std::vector<std::shared_ptr<FileItem>> m_arrivedFiles;
    // Their paths, made by takeArrivedPaths() while their tree is still held.
    std::vector<std::string> m_arrivedPaths;
};
