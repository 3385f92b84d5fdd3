#include "platform/FileEventKinds.h"
#include "platform/FileEventReader.h"
#include "platform/InotifyEventTranslator.h"
#include "platform/Mutex.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

// Room for hundreds of events per read(), and always for one with the longest name.
constexpr std::size_t kReadBufferSize = 64 * 1024;

struct PendingCall {
    FileEventReader::Sink sink;
    std::uint32_t notes;
};

} // namespace

std::shared_ptr<FileEventReader> FileEventReader::shared() {
    static Mutex mutex;
    static std::shared_ptr<FileEventReader> reader;
    MutexLock lock(mutex);
    // A failure is not remembered: the limit of instances may be lifted later.
    if (!reader)
        reader = create();
    return reader;
}

std::shared_ptr<FileEventReader> FileEventReader::create() {
    int inotifyDescriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyDescriptor < 0)
        return nullptr;
    int wakeDescriptor = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeDescriptor < 0) {
        close(inotifyDescriptor);
        return nullptr;
    }
    return std::shared_ptr<FileEventReader>(new FileEventReader(inotifyDescriptor, wakeDescriptor));
}

FileEventReader::FileEventReader(int inotifyDescriptor, int wakeDescriptor)
    : m_inotify(inotifyDescriptor), m_wake(wakeDescriptor) {}

FileEventReader::~FileEventReader() {
    std::thread thread;
    {
        MutexLock lock(m_mutex);
        thread = std::move(m_thread);
    }
    if (thread.joinable()) {
        std::uint64_t one = 1;
        while (write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
        }
        thread.join();
    }
    close(m_wake);
    close(m_inotify);
}

std::optional<FileEventReader::Registration>
FileEventReader::subscribe(const std::string& path, std::uint32_t notes, Sink sink) {
    if (path.empty() || !sink)
        return std::nullopt;
    struct stat item {};
    if (stat(path.c_str(), &item) != 0)
        return std::nullopt;
    bool directory = S_ISDIR(item.st_mode);
    std::uint32_t mask = InotifyEventTranslator::inotifyMask(notes, directory);

    Registration registration;
    bool added = false;
    {
        MutexLock lock(m_mutex);
        // Added under the lock, so that the reader cannot see the watch's first events before
        // the watch is in the table, and an unsubscribe cannot remove the kernel's watch in
        // between. IN_MASK_ADD keeps what other subscribers of the item asked for.
        int wd = inotify_add_watch(m_inotify, path.c_str(), mask | IN_MASK_ADD);
        if (wd < 0)
            return std::nullopt;
        auto found = m_watches.try_emplace(wd);
        added = found.second;
        Watch& watch = found.first->second;
        if (added) {
            watch.directory = directory;
            watch.device = static_cast<std::uint64_t>(item.st_dev);
            watch.inode = static_cast<std::uint64_t>(item.st_ino);
            watch.lastSize = static_cast<std::int64_t>(item.st_size);
        }
        if (!m_thread.joinable()) {
            try {
                m_thread = std::thread([this] { readLoop(); });
            } catch (const std::system_error&) {
                if (watch.subscribers.empty()) {
                    inotify_rm_watch(m_inotify, wd);
                    m_watches.erase(found.first);
                }
                return std::nullopt;
            }
        }
        registration = {wd, m_nextSubscriber++};
        watch.subscribers.push_back({registration.subscriber, notes, path, std::move(sink)});
    }
    if (added)
        identify(registration.wd, path);
    return registration;
}

// The item may have been replaced between the first stat() and the watch; it is asked again,
// without the lock, and the new watch takes what the watched item is.
void FileEventReader::identify(int wd, const std::string& path) {
    struct stat item {};
    if (stat(path.c_str(), &item) != 0)
        return;
    MutexLock lock(m_mutex);
    auto found = m_watches.find(wd);
    if (found == m_watches.end())
        return;
    Watch& watch = found->second;
    watch.directory = S_ISDIR(item.st_mode);
    watch.device = static_cast<std::uint64_t>(item.st_dev);
    watch.inode = static_cast<std::uint64_t>(item.st_ino);
    watch.lastSize = static_cast<std::int64_t>(item.st_size);
}

void FileEventReader::unsubscribe(const Registration& registration) {
    MutexLock lock(m_mutex);
    auto found = m_watches.find(registration.wd);
    if (found == m_watches.end())
        return;
    auto& subscribers = found->second.subscribers;
    auto subscriber = std::find_if(subscribers.begin(), subscribers.end(),
                                   [&](const auto& s) { return s.id == registration.subscriber; });
    if (subscriber == subscribers.end())
        return;
    // What the sink captures may take locks of its own.
    lock.releaseAfterUnlock(std::move(subscriber->sink));
    subscribers.erase(subscriber);
    // The mask of a shared watch is not narrowed: the item may have been renamed, and its path
    // could now lead to another item. The wider mask only costs the events it filters out.
    // The kernel's watch goes under the lock, so that a new subscriber of the item, who would
    // be given the same watch, cannot lose it.
    if (subscribers.empty()) {
        inotify_rm_watch(m_inotify, registration.wd);
        m_watches.erase(found);
    }
}

bool FileEventReader::isReading() const {
    MutexLock lock(m_mutex);
    return m_thread.joinable();
}

std::size_t FileEventReader::watchCount() const {
    MutexLock lock(m_mutex);
    return m_watches.size();
}

// What is needed to read the sizes of the files whose content changed, taken under the lock
// so that the reading itself can happen without it.
std::vector<FileEventReader::SizeProbe>
FileEventReader::sizeProbes(const std::vector<int>& modified) {
    std::vector<SizeProbe> probes;
    MutexLock lock(m_mutex);
    for (int wd : modified) {
        auto found = m_watches.find(wd);
        if (found == m_watches.end() || found->second.directory)
            continue;
        if (std::any_of(probes.begin(), probes.end(), [wd](const auto& p) { return p.wd == wd; }))
            continue;
        SizeProbe probe{wd, found->second.device, found->second.inode, {}, std::nullopt};
        for (const Subscriber& subscriber : found->second.subscribers)
            probe.paths.push_back(subscriber.path);
        probes.push_back(std::move(probe));
    }
    return probes;
}

// The watch holds no descriptor on the item, since an open descriptor would hold back the
// kernel's report of its deletion; the size is read through the subscribers' paths, as long as
// one of them still leads to the item.
void FileEventReader::measure(SizeProbe& probe) {
    for (const std::string& path : probe.paths) {
        struct stat item {};
        if (stat(path.c_str(), &item) != 0 ||
            static_cast<std::uint64_t>(item.st_dev) != probe.device ||
            static_cast<std::uint64_t>(item.st_ino) != probe.inode)
            continue;
        probe.size = static_cast<std::int64_t>(item.st_size);
        return;
    }
}

bool FileEventReader::grew(Watch& watch, const std::vector<SizeProbe>& probes, int wd) {
    auto probe = std::find_if(probes.begin(), probes.end(),
                              [wd](const SizeProbe& candidate) { return candidate.wd == wd; });
    if (probe == probes.end() || !probe->size || probe->device != watch.device ||
        probe->inode != watch.inode)
        return false;
    bool larger = *probe->size > watch.lastSize;
    watch.lastSize = *probe->size;
    return larger;
}

void FileEventReader::handleEvents(std::span<const std::byte> bytes) {
    InotifyEventTranslator::Batch batch = InotifyEventTranslator::translate(bytes);
    std::vector<int> modified;
    for (const auto& delivery : batch.deliveries) {
        if (delivery.contentModified)
            modified.push_back(delivery.wd);
    }
    std::vector<SizeProbe> probes = sizeProbes(modified);
    for (SizeProbe& probe : probes)
        measure(probe);

    std::vector<PendingCall> calls;
    {
        MutexLock lock(m_mutex);
        auto deliver = [&calls](const Watch& watch, std::uint32_t notes) {
            for (const Subscriber& subscriber : watch.subscribers) {
                if (std::uint32_t wanted = notes & subscriber.notes)
                    calls.push_back({subscriber.sink, wanted});
            }
        };
        for (const auto& delivery : batch.deliveries) {
            auto found = m_watches.find(delivery.wd);
            if (found == m_watches.end())
                continue;
            std::uint32_t notes = delivery.notes;
            if (delivery.contentModified && !found->second.directory &&
                grew(found->second, probes, delivery.wd))
                notes |= FileEventKinds::Extend;
            deliver(found->second, notes);
        }
        if (batch.overflowed) {
            for (const auto& [wd, watch] : m_watches) {
                if (watch.directory)
                    deliver(watch, FileEventKinds::Write);
            }
        }
        for (int wd : batch.forgotten) {
            auto found = m_watches.find(wd);
            if (found == m_watches.end())
                continue;
            // What the sinks capture may take locks of its own.
            for (Subscriber& subscriber : found->second.subscribers)
                lock.releaseAfterUnlock(std::move(subscriber.sink));
            m_watches.erase(found);
        }
    }
    for (const PendingCall& call : calls)
        call.sink(call.notes);
}

void FileEventReader::readLoop() {
    alignas(inotify_event) std::byte buffer[kReadBufferSize];
    pollfd descriptors[2] = {{m_inotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
    for (;;) {
        if (poll(descriptors, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (descriptors[1].revents != 0)
            return;
        if (descriptors[0].revents & (POLLERR | POLLHUP | POLLNVAL))
            return;
        ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
        if (length < 0 && errno != EAGAIN && errno != EINTR)
            return;
        if (length <= 0)
            continue;
        handleEvents(std::span(buffer, static_cast<std::size_t>(length)));
    }
}

} // namespace platform
