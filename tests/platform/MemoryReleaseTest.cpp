#include "platform/MemoryRelease.h"

#include "support/ProcessTestSupport.h"
#include "support/Sandbox.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using platform::MemoryRelease;
using testing_support::residentKiB;
using testing_support::Sandbox;

namespace {

// How many pages of the mapping are in memory.
std::size_t residentPages(void* start, std::size_t length) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> pages((length + page - 1) / page);
    if (mincore(start, length, pages.data()) != 0)
        return 0;
    std::size_t resident = 0;
    for (unsigned char flags : pages)
        resident += flags & 1;
    return resident;
}

TEST(MemoryRelease, FreedHeapGoesBackToTheSystem) {
    if (!testing_support::kResidentSetIsMeaningful)
        GTEST_SKIP() << "the sanitizer's allocator keeps its own free lists";
    constexpr std::size_t kBlocks = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks(kBlocks);
    for (auto& block : blocks) {
        block.reset(new char[1000]);
        std::fill_n(block.get(), 1000, 'x');
    }
    // All but the newest block: it keeps the freed space below it from being given
    // back by the allocator on its own.
    for (std::size_t i = 0; i + 1 < kBlocks; ++i)
        blocks[i].reset();
    const auto before = static_cast<long>(residentKiB());
    EXPECT_GT(MemoryRelease::freeHeldBytes(), 32u << 20);
    MemoryRelease::returnFreedMemory();
    const auto after = static_cast<long>(residentKiB());
    EXPECT_LT(after, before - 32 * 1024) << before << " KiB before, " << after << " after";
}

TEST(MemoryRelease, IdleFilePagesOfThisProcessAloneAreReadBackWhenUsed) {
    const std::string path = Sandbox::process().makeFolder("pages") + "/mapped";
    constexpr std::size_t kLength = 8 << 20;
    int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(descriptor, 0);
    const std::string chunk(1 << 20, 'p');
    for (std::size_t written = 0; written < kLength; written += chunk.size())
        ASSERT_EQ(write(descriptor, chunk.data(), chunk.size()),
                  static_cast<ssize_t>(chunk.size()));
    // Written back, so that the kernel can drop the pages at once.
    ASSERT_EQ(fsync(descriptor), 0);
    void* mapping = mmap(nullptr, kLength, PROT_READ, MAP_PRIVATE, descriptor, 0);
    close(descriptor);
    ASSERT_NE(mapping, MAP_FAILED);
    const auto* bytes = static_cast<const volatile char*>(mapping);
    long sum = 0;
    for (std::size_t at = 0; at < kLength; at += 4096)
        sum += bytes[at];
    const std::size_t pages = kLength / 4096;
    ASSERT_EQ(residentPages(mapping, kLength), pages);

    EXPECT_GE(MemoryRelease::returnIdleFilePages(), kLength);
    EXPECT_LT(residentPages(mapping, kLength), pages / 2);
    // The content is the file's, read back on use.
    long again = 0;
    for (std::size_t at = 0; at < kLength; at += 4096)
        again += bytes[at];
    EXPECT_EQ(again, sum);
    EXPECT_EQ(bytes[kLength - 1], 'p');
    munmap(mapping, kLength);
}

} // namespace

// Preparing pages for writing brings in exactly the whole pages inside the range, and
// leaves what was written before as it was.
TEST(MemoryRelease, PreparesTheWholePagesOfARangeKeepingTheirContents) {
    const std::size_t page = MemoryRelease::pageSize();
    const std::size_t length = 16 * page;
    void* mapped =
        mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* bytes = static_cast<unsigned char*>(mapped);
    for (std::size_t i = 0; i < 2 * page; ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    // From inside page 0 to inside page 10: pages 1 to 9 are whole.
    MemoryRelease::prepareForWriting(bytes + 100, 10 * page);
    for (std::size_t i = 0; i < 2 * page; ++i)
        ASSERT_EQ(bytes[i], static_cast<unsigned char>(i * 7 + 1)) << i;
    if (residentPages(bytes + 2 * page, page) == 0) {
        munmap(mapped, length);
        GTEST_SKIP() << "this kernel cannot populate pages ahead";
    }
    EXPECT_EQ(residentPages(bytes, 10 * page), 10u);
    EXPECT_EQ(residentPages(bytes + 10 * page, 6 * page), 0u);
    munmap(mapped, length);
}
