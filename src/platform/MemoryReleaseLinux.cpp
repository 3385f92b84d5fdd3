#include "platform/MemoryRelease.h"

#include <malloc.h>

namespace platform {

void MemoryRelease::returnFreedMemory() {
    // With 0 the top of each arena is trimmed to nothing and, since glibc 2.8, the
    // whole free pages inside every arena are given back as well.
    malloc_trim(0);
}

std::size_t MemoryRelease::allocatedBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

std::size_t MemoryRelease::freeHeldBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.fordblks;
}

} // namespace platform
