#pragma once

#include "platform/FileEventReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// One watched path of a file event queue. It holds the path's subscription with the event
// reader for as long as it lives, and keeps the path under which it was added even after the
// item has been renamed or moved.
class VDKQueuePathEntry {
public:
    // Called on the reader thread with the entry (weakly, it may be gone by the time the call
    // is handled elsewhere) and the notes of one event.
    using EventHandler =
        std::function<void(const std::weak_ptr<VDKQueuePathEntry>& entry, std::uint32_t notes)>;

    // None when nothing can be watched at `path` (links are followed).
    static std::shared_ptr<VDKQueuePathEntry>
    create(std::shared_ptr<platform::FileEventReader> reader, std::string path,
           std::uint32_t subscriptionFlags, EventHandler handler);

    ~VDKQueuePathEntry();
    VDKQueuePathEntry(const VDKQueuePathEntry&) = delete;
    VDKQueuePathEntry& operator=(const VDKQueuePathEntry&) = delete;

    const std::string& path() const { return m_path; }
    // The kernel's watch descriptor, shared by every entry of the process on the same item.
    int watchedFD() const { return m_registration.wd; }
    std::uint32_t subscriptionFlags() const { return m_subscriptionFlags; }

private:
    VDKQueuePathEntry(std::shared_ptr<platform::FileEventReader> reader, std::string path,
                      std::uint32_t subscriptionFlags);

    const std::shared_ptr<platform::FileEventReader> m_reader;
    const std::string m_path;
    const std::uint32_t m_subscriptionFlags;
    platform::FileEventReader::Registration m_registration;
};
