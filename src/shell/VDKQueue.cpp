#include "shell/VDKQueue.h"

#include "platform/MainQueue.h"
#include "platform/WorkspaceNotificationCenter.h"

#include <utility>
#include <vector>

std::shared_ptr<VDKQueue> VDKQueue::create() {
    return create(platform::FileEventReader::shared());
}

std::shared_ptr<VDKQueue> VDKQueue::create(std::shared_ptr<platform::FileEventReader> reader) {
    if (!reader)
        return nullptr;
    return std::shared_ptr<VDKQueue>(new VDKQueue(std::move(reader)));
}

VDKQueue::VDKQueue(std::shared_ptr<platform::FileEventReader> reader)
    : m_reader(std::move(reader)) {}

VDKQueue::~VDKQueue() {
    removeAllPaths();
}

void VDKQueue::addPath(const std::string& path) {
    addPath(path, VDKQueueNotes::All);
}

void VDKQueue::addPath(const std::string& path, std::uint32_t mask) {
    if (path.empty())
        return;
    {
        platform::MutexLock lock(m_mutex);
        if (m_watchedPathEntries.contains(path))
            return;
    }
    // The entry subscribes to the event reader, which takes the reader's lock, so it is made
    // without this queue's lock; when two threads add the same path, the first entry stays.
    // The reader thread only hands the event over; everything else happens on the main queue,
    // where the queue and the entry are looked at again since either may be gone by then.
    std::weak_ptr<VDKQueue> weakQueue = weak_from_this();
    auto entry = VDKQueuePathEntry::create(
        m_reader, path, mask,
        [weakQueue](const std::weak_ptr<VDKQueuePathEntry>& weakEntry, std::uint32_t notes) {
            platform::MainQueue::shared().async([weakQueue, weakEntry, notes] {
                if (auto entry = weakEntry.lock())
                    deliver(weakQueue, entry, notes);
            });
        });
    if (!entry)
        return;
    platform::MutexLock lock(m_mutex);
    auto [found, added] = m_watchedPathEntries.try_emplace(path, entry);
    if (!added)
        lock.releaseAfterUnlock(std::move(entry));
}

void VDKQueue::removePath(const std::string& path) {
    platform::MutexLock lock(m_mutex);
    auto found = m_watchedPathEntries.find(path);
    if (found == m_watchedPathEntries.end())
        return;
    // An entry ends its subscription to the event reader when it goes.
    lock.releaseAfterUnlock(std::move(found->second));
    m_watchedPathEntries.erase(found);
}

void VDKQueue::removeAllPaths() {
    platform::MutexLock lock(m_mutex);
    lock.releaseAfterUnlock(std::exchange(m_watchedPathEntries, {}));
}

std::size_t VDKQueue::numberOfWatchedPaths() const {
    platform::MutexLock lock(m_mutex);
    return m_watchedPathEntries.size();
}

std::shared_ptr<VDKQueueDelegate> VDKQueue::delegate() const {
    platform::MutexLock lock(m_mutex);
    return m_delegate.lock();
}

void VDKQueue::setDelegate(std::weak_ptr<VDKQueueDelegate> delegate) {
    platform::MutexLock lock(m_mutex);
    m_delegate = std::move(delegate);
}

bool VDKQueue::alwaysPostNotifications() const {
    platform::MutexLock lock(m_mutex);
    return m_alwaysPostNotifications;
}

void VDKQueue::setAlwaysPostNotifications(bool alwaysPost) {
    platform::MutexLock lock(m_mutex);
    m_alwaysPostNotifications = alwaysPost;
}

bool VDKQueue::isWatching(const std::shared_ptr<VDKQueuePathEntry>& entry) const {
    const std::string& path = entry->path();
    platform::MutexLock lock(m_mutex);
    auto found = m_watchedPathEntries.find(path);
    return found != m_watchedPathEntries.end() && found->second == entry;
}

void VDKQueue::deliver(const std::weak_ptr<VDKQueue>& weakQueue,
                       const std::shared_ptr<VDKQueuePathEntry>& entry, std::uint32_t notes) {
    const std::string& path = entry->path();
    for (const auto& [note, name] : VDKQueueNotes::ReportingOrder) {
        if (!(notes & note))
            continue;
        // Checked before every call, and the queue is held only for the call: an earlier call
        // may have removed the path or released the queue.
        auto queue = weakQueue.lock();
        if (!queue || !queue->isWatching(entry))
            return;
        std::string noteName(name);
        auto receiver = queue->delegate();
        if (receiver)
            receiver->vdkQueue(*queue, noteName, path);
        if (!receiver || queue->alwaysPostNotifications())
            platform::WorkspaceNotificationCenter::shared().post(noteName, queue, {{"path", path}});
    }
}
