#pragma once

#include "shell/VDKQueueDelegate.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class VDKQueue;

// Waits for a folder to come (back) to its path: a watched Trash that was deleted, an
// applications folder removed and made again, a Trash whose parents do not exist yet.
// It watches the nearest folder above the path that exists and follows the path down
// as the folders on the way are made (or up when the one it watches goes as well), so
// it costs one kernel watch and no polling. When a folder exists at the path it calls
// back once, on the main thread, and stops watching.
//
// Each state change is logged with one line on the standard error.
//
// Created, used and released on the main thread.
class FolderReturnWatch final : public VDKQueueDelegate,
                                public std::enable_shared_from_this<FolderReturnWatch> {
public:
    // Which folder a path leads to now (device and inode, links followed), so that a
    // watcher can tell the folder it watches from another made at the same path.
    struct Identity {
        std::uint64_t device{0};
        std::uint64_t inode{0};
        bool operator==(const Identity&) const = default;
        // None when no folder is at `path`.
        static std::optional<Identity> of(const std::string& path);
    };

    // Whether an event of this kind means that the watched item itself is gone from its
    // path (deleted, moved away, its file system unmounted). A folder made again at once
    // may get the same inode, so the event, not the identity, is what tells.
    static bool isLoss(const std::string& noteName);

    // Starts waiting for a folder at `path`; `onReturn` is called once it is there (on a
    // later turn of the main queue, even when it is there already). Null when no file
    // event queue can be had.
    static std::shared_ptr<FolderReturnWatch> create(std::string path,
                                                     std::function<void()> onReturn);
    ~FolderReturnWatch() override;
    FolderReturnWatch(const FolderReturnWatch&) = delete;
    FolderReturnWatch& operator=(const FolderReturnWatch&) = delete;

    const std::string& path() const { return m_path; }
    // The folder watched now; empty once the folder has returned.
    const std::string& watchedFolder() const { return m_watched; }
    bool hasReturned() const { return m_returned; }

    void vdkQueue(VDKQueue& queue, const std::string& noteName, const std::string& fpath) override;

private:
    FolderReturnWatch(std::string path, std::function<void()> onReturn)
        : m_path(std::move(path)), m_onReturn(std::move(onReturn)) {}

    // Moves the watch to the nearest existing folder on the way, or calls back.
    void follow();

    const std::string m_path;
    std::function<void()> m_onReturn;
    std::shared_ptr<VDKQueue> m_queue;
    std::string m_watched;
    std::optional<Identity> m_watchedIdentity;
    bool m_watchedLost{false};
    bool m_returned{false};
};
