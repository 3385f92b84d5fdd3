#include "knowledge/SecureBuffer.h"

#include "platform/MemoryRelease.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Wipe {
    std::size_t size;
    bool zeroed;
};

// Records every wipe on this thread, and keeps every released storage to be read after.
class Watch {
public:
    Watch() {
        SecureBuffer::setWipeObserver([this](std::span<const std::uint8_t> wiped) {
            wipes.push_back({wiped.size(), std::all_of(wiped.begin(), wiped.end(),
                                                       [](std::uint8_t b) { return b == 0; })});
        });
        SecureBuffer::setReleaseKeeper(
            [this](std::uint8_t* data, std::size_t size) { released.emplace_back(data, size); });
    }
    ~Watch() {
        SecureBuffer::setWipeObserver(nullptr);
        SecureBuffer::setReleaseKeeper(nullptr);
        for (const auto& [data, size] : released)
            ::operator delete(data);
    }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    static bool allZero(const std::pair<std::uint8_t*, std::size_t>& storage) {
        return std::all_of(storage.first, storage.first + storage.second,
                           [](std::uint8_t b) { return b == 0; });
    }

    std::vector<Wipe> wipes;
    std::vector<std::pair<std::uint8_t*, std::size_t>> released;
};

std::span<const std::uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

// Growing moves the bytes to new storage and leaves nothing readable in the old one;
// moving hands the storage over without a copy; every storage is wiped whole on release.
TEST(SecureBuffer, GrowingMovingAndReleasingLeaveNoBytesBehind) {
    Watch watch;
    {
        SecureBuffer buffer(bytesOf("secret"));
        EXPECT_EQ(buffer.capacity(), 6U);
        buffer.append(std::uint8_t{'!'});
        EXPECT_EQ(buffer.view(), "secret!");
        ASSERT_EQ(watch.released.size(), 1U);
        EXPECT_EQ(watch.released[0].second, 6U);
        EXPECT_TRUE(Watch::allZero(watch.released[0]));

        buffer.resize(10);
        EXPECT_EQ(std::string(buffer.view()), std::string("secret!\0\0\0", 10));

        const std::uint8_t* storage = buffer.data();
        SecureBuffer taken(std::move(buffer));
        EXPECT_EQ(taken.data(), storage);
        EXPECT_TRUE(buffer.empty());
        EXPECT_EQ(buffer.data(), nullptr);

        SecureBuffer other(bytesOf("another secret"));
        other = std::move(taken);
        EXPECT_EQ(other.data(), storage);
        // The storage `other` held before the assignment is wiped and released.
        EXPECT_TRUE(std::any_of(watch.released.begin(), watch.released.end(),
                                [](const auto& r) { return r.second == 14 && Watch::allZero(r); }));
    }
    // One storage was outgrown, one assigned over, and the last went with its buffer.
    ASSERT_EQ(watch.released.size(), 3U);
    for (const auto& storage : watch.released)
        EXPECT_TRUE(Watch::allZero(storage)) << storage.second << " bytes";
    ASSERT_EQ(watch.wipes.size(), watch.released.size());
    EXPECT_TRUE(std::all_of(watch.wipes.begin(), watch.wipes.end(),
                            [](const Wipe& w) { return w.zeroed; }));
}

// A reader done with a part of a large buffer hands its whole pages back in runs, each
// going on from the last; the release then wipes only what is still held, and the pages
// handed back read as zeros.
TEST(SecureBuffer, PagesHandedBackAreWipedOnceAndNotWrittenAgain) {
    const std::size_t page = platform::MemoryRelease::pageSize();
    Watch watch;
    std::size_t capacity = 0;
    std::size_t handedBack = 0;
    {
        SecureBuffer buffer;
        buffer.reserve(64 * page + 1);
        capacity = buffer.capacity();
        buffer.resize(64 * page);
        std::fill(buffer.data(), buffer.data() + buffer.size(), std::uint8_t{0xA5});
        const auto start = reinterpret_cast<std::uintptr_t>(buffer.data());
        // The spent part starts inside the third page of the buffer.
        const std::size_t from = 2 * page + 5;
        const std::size_t firstWhole = (start + from + page - 1) / page * page - start;

        // Less than a run, and less than a page past the first whole one: nothing.
        EXPECT_EQ(buffer.discardBetween(from, 16 * page, 32 * page), 0U);
        EXPECT_EQ(buffer.discardBetween(from, firstWhole + page - 1), 0U);
        EXPECT_EQ(buffer.data()[firstWhole], 0xA5);

        // The page holding `from` is kept; whole pages up to the end's page go.
        const std::size_t first = buffer.discardBetween(from, 20 * page + 7);
        const std::size_t firstEnd = (start + 20 * page + 7) / page * page - start;
        EXPECT_EQ(first, firstEnd - firstWhole);
        EXPECT_EQ(buffer.data()[firstWhole - 1], 0xA5);
        EXPECT_EQ(buffer.data()[firstWhole], 0);
        EXPECT_EQ(buffer.data()[firstEnd - 1], 0);
        EXPECT_EQ(buffer.data()[firstEnd], 0xA5);

        // The next run starts where the last one ended.
        const std::size_t second = buffer.discardBetween(from, 40 * page);
        const std::size_t secondEnd = (start + 40 * page) / page * page - start;
        EXPECT_EQ(second, secondEnd - firstEnd);
        EXPECT_EQ(buffer.data()[secondEnd - 1], 0);
        EXPECT_EQ(buffer.data()[secondEnd], 0xA5);
        EXPECT_EQ(buffer.discardBetween(from, 30 * page), 0U);
        // Past the storage, or an empty range: refused.
        EXPECT_EQ(buffer.discardBetween(from, capacity + page), 0U);
        EXPECT_EQ(buffer.discardBetween(50 * page, 49 * page), 0U);
        handedBack = first + second;
        watch.wipes.clear();
    }
    // Released: the front before the first page handed back and everything from the
    // last run on are wiped; the pages handed back are not written again.
    std::size_t wiped = 0;
    for (const Wipe& wipe : watch.wipes)
        wiped += wipe.size;
    EXPECT_EQ(wiped, capacity - handedBack);
    EXPECT_LE(watch.wipes.size(), 2U);
    ASSERT_EQ(watch.released.size(), 1U);
    EXPECT_EQ(watch.released[0].second, capacity);
    EXPECT_TRUE(Watch::allZero(watch.released[0]));
}
