#pragma once

#include <cstddef>

namespace platform {

// Giving memory back to the system when the program goes idle. After a burst of work (a
// knowledge base loaded and released, panels shown and dismissed) the program holds
// memory it will not need until the next burst: heap the allocator keeps for reuse, and
// the pages of code and fonts that the work read in.
class MemoryRelease {
public:
    // Returns the free pages of every allocator arena to the system. Takes a few
    // milliseconds for a large heap: call it off the main thread.
    static void returnFreedMemory();

    // Asks the kernel to reclaim the read-only pages of mapped files (the program's and
    // its libraries' code and constants, fonts) that this process alone keeps resident.
    // Nothing is lost: a page is read back from its file when it is next used, which
    // costs the next burst of work a little time. Pages other processes map too, and
    // writable mappings, are left alone. Answers the bytes asked about.
    static std::size_t returnIdleFilePages();

    // Both of the above, for a program that has just gone idle.
    static void returnIdleMemory();

    // The size of the system's memory pages.
    static std::size_t pageSize();
    // Gives back the pages of [begin, begin + length), whole pages of this process's own
    // writable memory whose content is no longer needed: they read as zeros afterwards and
    // cost nothing until they are written again.
    static void discardPages(void* begin, std::size_t length);
    // The same for whole pages of a shared mapping of a file: the file's own pages are
    // freed as well where its file system can (a hole is punched), so that they need not
    // wait for the file to go.
    static void discardSharedPages(void* begin, std::size_t length);
    // Has the system provide, now and in one call, the whole pages of [begin, begin +
    // length) that the program is about to write all of: a fresh page otherwise costs a
    // fault at its first write, and a large buffer filled from start to end pays one
    // fault a page. Changes nothing the program can read; where the system cannot, it
    // does nothing.
    static void prepareForWriting(void* begin, std::size_t length);
    // Ends a mapping made with mmap.
    static void unmap(void* begin, std::size_t length);

    // Bytes the allocator has handed out and not had back (all arenas and large
    // mappings), for measurement.
    static std::size_t allocatedBytes();
    // Bytes the allocator holds free, in every arena, without having given them back.
    static std::size_t freeHeldBytes();
};

} // namespace platform
