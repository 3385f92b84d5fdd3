#pragma once

#include "platform/FileEventReader.h"
#include "platform/Mutex.h"
#include "shell/VDKQueueDelegate.h"
#include "shell/VDKQueueNotes.h"
#include "shell/VDKQueuePathEntry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

// Watches paths for changes and reports each change on the main queue: to the delegate, one
// call per kind of change in the order of VDKQueueNotes::ReportingOrder, and, when there is no
// delegate or alwaysPostNotifications is set, also as a notification on the workspace
// notification centre (object: the queue, user info: {"path": path}).
//
// Events are delivered in the order in which the kernel reported them. A path removed from the
// queue, or a queue that has been released, gets no further calls, even for events that
// happened before. Adding, removing and counting paths may be done from any thread.
class VDKQueue : public std::enable_shared_from_this<VDKQueue> {
public:
    // None when no event reader can be had.
    static std::shared_ptr<VDKQueue> create();
    static std::shared_ptr<VDKQueue> create(std::shared_ptr<platform::FileEventReader> reader);

    ~VDKQueue();
    VDKQueue(const VDKQueue&) = delete;
    VDKQueue& operator=(const VDKQueue&) = delete;

    // Watches `path` for every kind of change. Nothing happens for an empty path, for a path
    // already watched, or for a path where nothing can be watched.
    void addPath(const std::string& path);
    // The same for the kinds in `mask`; a path already watched keeps its first mask.
    void addPath(const std::string& path, std::uint32_t mask) EXCLUDES(m_mutex);
    // Stops watching exactly this string, if it is watched.
    void removePath(const std::string& path) EXCLUDES(m_mutex);
    void removeAllPaths() EXCLUDES(m_mutex);
    std::size_t numberOfWatchedPaths() const EXCLUDES(m_mutex);

    std::shared_ptr<VDKQueueDelegate> delegate() const EXCLUDES(m_mutex);
    void setDelegate(std::weak_ptr<VDKQueueDelegate> delegate) EXCLUDES(m_mutex);
    bool alwaysPostNotifications() const EXCLUDES(m_mutex);
    void setAlwaysPostNotifications(bool alwaysPost) EXCLUDES(m_mutex);

private:
    explicit VDKQueue(std::shared_ptr<platform::FileEventReader> reader);

    static void deliver(const std::weak_ptr<VDKQueue>& weakQueue,
                        const std::shared_ptr<VDKQueuePathEntry>& entry, std::uint32_t notes);
    bool isWatching(const std::shared_ptr<VDKQueuePathEntry>& entry) const EXCLUDES(m_mutex);

    const std::shared_ptr<platform::FileEventReader> m_reader;
    mutable platform::Mutex m_mutex;
    std::weak_ptr<VDKQueueDelegate> m_delegate GUARDED_BY(m_mutex);
    bool m_alwaysPostNotifications GUARDED_BY(m_mutex){false};
    std::map<std::string, std::shared_ptr<VDKQueuePathEntry>>
        m_watchedPathEntries GUARDED_BY(m_mutex);
};
