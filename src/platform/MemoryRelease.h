#pragma once

#include <cstddef>

namespace platform {

// Giving memory the program has freed back to the system. The allocator keeps freed
// blocks for the program's next allocations; after a burst of work (a knowledge base
// loaded and released, panels shown and dismissed) that can be many megabytes which an
// idle program would hold for nothing.
class MemoryRelease {
public:
    // Returns the free pages of every allocator arena to the system. Takes a few
    // milliseconds for a large heap: call it off the main thread.
    static void returnFreedMemory();

    // Bytes the allocator has handed out and not had back (all arenas and large
    // mappings), for measurement.
    static std::size_t allocatedBytes();
    // Bytes the allocator holds free, in every arena, without having given them back.
    static std::size_t freeHeldBytes();
};

} // namespace platform
