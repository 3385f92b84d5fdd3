#include "platform/FileEventKinds.h"
#include "platform/InotifyEventTranslator.h"

#include <algorithm>
#include <cstring>
#include <sys/inotify.h>
#include <utility>

namespace platform {

namespace {

constexpr std::uint32_t kEntryChanges = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

struct RawEvent {
    int wd;
    std::uint32_t mask;
    std::uint32_t cookie;
    bool hasName;
};

std::vector<RawEvent> parse(std::span<const std::byte> bytes) {
    std::vector<RawEvent> events;
    std::size_t offset = 0;
    while (bytes.size() - offset >= sizeof(inotify_event)) {
        // Copied out rather than cast, so that a buffer of any alignment is read safely.
        inotify_event header{};
        std::memcpy(&header, bytes.data() + offset, sizeof header);
        std::size_t size = sizeof(inotify_event) + header.len;
        if (header.len > bytes.size() - offset - sizeof(inotify_event))
            break;
        events.push_back({header.wd, header.mask, header.cookie, header.len > 0});
        offset += size;
    }
    return events;
}

// A folder moved out of one watched folder into the same one was renamed in place: its parent
// keeps its link count.
bool renamedInPlace(const std::vector<RawEvent>& events, const RawEvent& event) {
    std::uint32_t other = (event.mask & IN_MOVED_FROM) ? IN_MOVED_TO : IN_MOVED_FROM;
    return std::any_of(events.begin(), events.end(), [&](const RawEvent& candidate) {
        return candidate.wd == event.wd && candidate.cookie == event.cookie &&
               (candidate.mask & other);
    });
}

std::uint32_t notesOf(const std::vector<RawEvent>& events, const RawEvent& event,
                      bool& contentModified) {
    std::uint32_t notes = 0;
    if (event.hasName) {
        // Events about an entry of a watched folder: only changes of the folder's list count,
        // as they would for a write to the folder itself.
        if (event.mask & kEntryChanges) {
            notes |= FileEventKinds::Write;
            bool moved = event.mask & (IN_MOVED_FROM | IN_MOVED_TO);
            if ((event.mask & IN_ISDIR) && !(moved && renamedInPlace(events, event)))
                notes |= FileEventKinds::Link;
        }
        return notes;
    }
    if (event.mask & IN_MODIFY) {
        notes |= FileEventKinds::Write;
        contentModified = true;
    }
    if (event.mask & IN_ATTRIB)
        notes |= FileEventKinds::Attrib;
    if (event.mask & IN_MOVE_SELF)
        notes |= FileEventKinds::Rename;
    if (event.mask & IN_DELETE_SELF)
        notes |= FileEventKinds::Delete;
    if (event.mask & IN_UNMOUNT)
        notes |= FileEventKinds::Revoke;
    return notes;
}

} // namespace

InotifyEventTranslator::Batch InotifyEventTranslator::translate(std::span<const std::byte> bytes) {
    std::vector<RawEvent> events = parse(bytes);
    Batch batch;
    for (const RawEvent& event : events) {
        if (event.mask & IN_Q_OVERFLOW) {
            batch.overflowed = true;
            continue;
        }
        if (event.wd < 0)
            continue;
        bool contentModified = false;
        std::uint32_t notes = notesOf(events, event, contentModified);
        if (notes != 0) {
            auto found = std::find_if(batch.deliveries.begin(), batch.deliveries.end(),
                                      [&](const Delivery& d) { return d.wd == event.wd; });
            if (found == batch.deliveries.end())
                found = batch.deliveries.insert(found, Delivery{event.wd, 0, false});
            found->notes |= notes;
            found->contentModified = found->contentModified || contentModified;
        }
        if ((event.mask & IN_IGNORED) && std::find(batch.forgotten.begin(), batch.forgotten.end(),
                                                   event.wd) == batch.forgotten.end())
            batch.forgotten.push_back(event.wd);
    }
    return batch;
}

std::uint32_t InotifyEventTranslator::inotifyMask(std::uint32_t notes, bool directory) {
    std::uint32_t mask = 0;
    if (notes & FileEventKinds::Delete)
        mask |= IN_DELETE_SELF;
    if (notes & FileEventKinds::Rename)
        mask |= IN_MOVE_SELF;
    if (notes & FileEventKinds::Attrib)
        mask |= IN_ATTRIB;
    if (directory) {
        // A folder is never written directly; asking for IN_MODIFY would only wake the reader
        // for every write to the files inside it.
        if (notes & (FileEventKinds::Write | FileEventKinds::Link))
            mask |= kEntryChanges;
    } else if (notes & (FileEventKinds::Write | FileEventKinds::Extend)) {
        mask |= IN_MODIFY;
    }
    // Unmounting is always reported by the kernel; asking for nothing at all is not allowed.
    if (mask == 0)
        mask = IN_UNMOUNT;
    return mask;
}

} // namespace platform
