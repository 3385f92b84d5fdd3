#include "platform/MemoryRelease.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

void MemoryRelease::returnFreedMemory() {
    // With 0 the top of each arena is trimmed to nothing and, since glibc 2.8, the
    // whole free pages inside every arena are given back as well.
    malloc_trim(0);
}

std::size_t MemoryRelease::returnIdleFilePages() {
#ifdef MADV_PAGEOUT
    FILE* maps = std::fopen("/proc/self/maps", "re");
    if (!maps)
        return 0;
    std::size_t bytes = 0;
    char line[4096];
    while (std::fgets(line, sizeof line, maps)) {
        unsigned long start = 0;
        unsigned long end = 0;
        char permissions[5] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &start, &end, permissions, &pathAt) < 3)
            continue;
        // Only files ("/..."), not the heap, stacks or the kernel's own pages ("[...]"),
        // and only mappings the process cannot write: a reclaimed page of those is
        // always the file's own content. The kernel skips pages others map as well.
        if (line[pathAt] != '/' || permissions[1] == 'w' || permissions[3] != 'p')
            continue;
        if (madvise(reinterpret_cast<void*>(start), end - start, MADV_PAGEOUT) == 0)
            bytes += end - start;
    }
    std::fclose(maps);
    return bytes;
#else
    return 0;
#endif
}

void MemoryRelease::returnIdleMemory() {
    returnFreedMemory();
    returnIdleFilePages();
}

std::size_t MemoryRelease::pageSize() {
    static const std::size_t size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

void MemoryRelease::discardPages(void* begin, std::size_t length) {
    if (begin && length > 0)
        madvise(begin, length, MADV_DONTNEED);
}

void MemoryRelease::discardSharedPages(void* begin, std::size_t length) {
    if (begin && length > 0 && madvise(begin, length, MADV_REMOVE) != 0)
        madvise(begin, length, MADV_DONTNEED);
}

void MemoryRelease::prepareForWriting(void* begin, std::size_t length) {
#ifdef MADV_POPULATE_WRITE
    // Only whole pages inside the range: the bytes around them may be someone else's.
    const std::size_t page = pageSize();
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + length) / page * page;
    if (begin && end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)begin;
    (void)length;
#endif
}

void MemoryRelease::unmap(void* begin, std::size_t length) {
    if (begin && length > 0)
        munmap(begin, length);
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
