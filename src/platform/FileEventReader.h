#pragma once

#include "platform/Mutex.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace platform {

// One inotify instance and one reader thread for every file event queue of the process. A user
// may own only a handful of inotify instances (128 by default) while the helper watches many
// folders, so the queues share this one and keep only their own paths, masks and delegates.
//
// The kernel gives one watch per inode and instance: two subscribers of the same item share
// its watch descriptor, the watch asks for what either of them wants, and it ends only when
// the last of them leaves. The reader thread blocks in poll() without a timeout and is woken
// only by changes or by its shutdown, so an idle process is never woken.
class FileEventReader {
public:
    // Called on the reader thread with the notes (FileEventKinds) of one event that the
    // subscriber asked for. It must not block and must not call back into the reader.
    using Sink = std::function<void(std::uint32_t notes)>;

    struct Registration {
        int wd{-1};
        std::uint64_t subscriber{0};
    };

    // The process's reader, created on first use; none when the kernel refuses an instance.
    static std::shared_ptr<FileEventReader> shared();

    // A reader of one's own (tests, or a process that wants its events apart); none when the
    // kernel refuses an instance.
    static std::shared_ptr<FileEventReader> create();

    // Stops the reader thread and closes the instance; sinks are not called afterwards.
    ~FileEventReader();
    FileEventReader(const FileEventReader&) = delete;
    FileEventReader& operator=(const FileEventReader&) = delete;

    // Watches the item at `path` (links followed) for `notes` and starts the reader thread if
    // it is not running yet. None when the item cannot be watched.
    std::optional<Registration> subscribe(const std::string& path, std::uint32_t notes, Sink sink)
        EXCLUDES(m_mutex);

    // Ends one subscription; the kernel's watch goes when its last subscriber leaves. A sink
    // that the reader thread has already picked up may still be called once.
    void unsubscribe(const Registration& registration) EXCLUDES(m_mutex);

    // Whether the reader thread has been started.
    bool isReading() const EXCLUDES(m_mutex);

    // The number of kernel watches in use.
    std::size_t watchCount() const EXCLUDES(m_mutex);

    // What the reader thread does with the bytes of one read(); public so that events the
    // kernel cannot be made to produce on demand (an overflow, several kinds in one read) can
    // be replayed.
    void handleEvents(std::span<const std::byte> bytes) EXCLUDES(m_mutex);

private:
    struct Subscriber {
        std::uint64_t id{0};
        std::uint32_t notes{0};
        std::string path;
        Sink sink;
    };

    struct Watch {
        bool directory{false};
        std::uint64_t device{0};
        std::uint64_t inode{0};
        std::int64_t lastSize{0};
        std::vector<Subscriber> subscribers;
    };

    // The current size of a watched file, read through its subscribers' paths.
    struct SizeProbe {
        int wd{-1};
        std::uint64_t device{0};
        std::uint64_t inode{0};
        std::vector<std::string> paths;
        std::optional<std::int64_t> size;
    };

    FileEventReader(int inotifyDescriptor, int wakeDescriptor);
    void readLoop();
    std::vector<SizeProbe> sizeProbes(const std::vector<int>& modified) EXCLUDES(m_mutex);
    static void measure(SizeProbe& probe);
    static bool grew(Watch& watch, const std::vector<SizeProbe>& probes, int wd);
    void identify(int wd, const std::string& path) EXCLUDES(m_mutex);

    const int m_inotify;
    const int m_wake;
    mutable Mutex m_mutex;
    std::unordered_map<int, Watch> m_watches GUARDED_BY(m_mutex);
    std::uint64_t m_nextSubscriber GUARDED_BY(m_mutex){1};
    std::thread m_thread GUARDED_BY(m_mutex);
};

} // namespace platform
