#pragma once

#include "platform/FileReference.h"
#include "shell/FolderReturnWatch.h"
#include "shell/MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate.h"
#include "shell/VDKQueue.h"

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>

// The mirror of one folder below an applications folder: its plain subfolders (mirrored in
// turn) and the application bundles directly in it, each remembered by a reference that
// follows the bundle wherever it is moved. When a bundle or a subfolder vanishes from the
// folder, the mirror asks where the bundles went and reports those now in the Trash.
//
// A top folder (level 0) that is deleted, or missing at start, is waited for; when a folder
// is at its path again it is mirrored anew, silently, and watched. Its applications that
// went with it are checked first, so a top folder moved into the Trash reports them.
//
// Everything happens on the main thread.
class MoveToTrashWithoutTrashAccessMonitorSingleDirectory
    : public VDKQueueDelegate,
      public MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate,
      public std::enable_shared_from_this<MoveToTrashWithoutTrashAccessMonitorSingleDirectory> {
public:
    using Mirror = MoveToTrashWithoutTrashAccessMonitorSingleDirectory;

    // Mirrors the whole structure below `path` at once. Top folders (level 0) and their
    // subfolders are watched; a deeper folder only if an application was found in or below it.
    static std::shared_ptr<Mirror> create(std::string path, int level);

    ~MoveToTrashWithoutTrashAccessMonitorSingleDirectory() override;

    // Lists the folder again: mirrors new subfolders, remembers new applications, and checks
    // where vanished ones went. A folder that cannot be listed changes nothing, unless it is
    // a top folder that is gone.
    void updateContent();
    // Whether this top folder is gone and waited for.
    bool isWaitingForFolder() const { return m_returnWatch != nullptr; }

    // The applications of this folder and of every folder mirrored below it.
    std::size_t applicationsCount() const;

    // Reports the referenced application if it now lies in the Trash folder.
    void checkApplication(const platform::FileReference& reference);
    void checkAllApplications();

    // Any event of the folder's queue means: list it again.
    void vdkQueue(VDKQueue& queue, const std::string& noteName, const std::string& fpath) override;

    // A report from a subfolder's mirror, passed on with this mirror as sender.
    void moveToTrashWithoutTrashAccessMonitorSingleDirectory(Mirror& mirror,
                                                             const std::string& path) override;

    std::shared_ptr<MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate> delegate() const {
        return m_delegate.lock();
    }
    void setDelegate(std::weak_ptr<MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate> d) {
        m_delegate = std::move(d);
    }
    const std::string& path() const { return m_path; }
    int level() const { return m_level; }
    // None for a folder that is mirrored but not watched.
    const std::shared_ptr<VDKQueue>& directoryObserver() const { return m_directoryObserver; }
    const std::map<std::string, std::shared_ptr<Mirror>>& subdirectories() const {
        return m_subdirectories;
    }
    const std::map<std::string, std::shared_ptr<platform::FileReference>>& applications() const {
        return m_applications;
    }

private:
    MoveToTrashWithoutTrashAccessMonitorSingleDirectory(std::string path, int level);

    // Whether this is a top folder that is no longer the one mirrored.
    bool isTopFolderGone() const;
    // Checks where the applications went, forgets the folder and waits for it to return.
    void forgetFolder();
    void onFolderReturned();

    std::weak_ptr<MoveToTrashWithoutTrashAccessMonitorSingleDirectoryDelegate> m_delegate;
    const std::string m_path;
    std::shared_ptr<VDKQueue> m_directoryObserver;
    std::map<std::string, std::shared_ptr<Mirror>> m_subdirectories;
    std::map<std::string, std::shared_ptr<platform::FileReference>> m_applications;
    const int m_level{0};
    std::optional<FolderReturnWatch::Identity> m_identity;
    std::shared_ptr<FolderReturnWatch> m_returnWatch;
    bool m_lost{false};
};
