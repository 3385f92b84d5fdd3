#include "knowledge/KnowledgeRecordArena.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KnowledgeRecord.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Short, empty, repeated and block-sized strings, stored in one arena across many
// blocks: every view must still read what was stored once the arena has grown.
TEST(KnowledgeRecordArena, StoredStringsSurviveGrowth) {
    KnowledgeRecordArena arena;
    std::vector<std::string> expected;
    std::vector<std::string_view> stored;
    const std::string large(KnowledgeRecordArena::kBlockBytes + 17, 'L');
    const std::string quarter(KnowledgeRecordArena::kBlockBytes / 4 + 1, 'Q');
    for (int i = 0; i < 20000; ++i) {
        std::string first = "/home/user";
        std::string second = "/Library/Caches/com.example." + std::to_string(i % 97);
        if (i % 1000 == 0) {
            first = i % 2000 == 0 ? large : quarter;
            second = std::to_string(i);
        } else if (i % 7 == 0) {
            first.clear();
        } else if (i % 11 == 0) {
            second.clear();
        }
        stored.push_back(arena.store(first, second));
        expected.push_back(first + second);
    }
    EXPECT_TRUE(arena.store("", "").empty());
    EXPECT_TRUE(arena.store({}).empty());
    ASSERT_EQ(stored.size(), expected.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        ASSERT_EQ(stored[i], expected[i]) << i;
    // Small strings share blocks; only the large ones take blocks of their own.
    std::size_t bytes = 0;
    for (const auto& text : expected)
        bytes += text.size();
    EXPECT_GE(arena.bytesHeld(), bytes);
    EXPECT_LT(arena.bytesHeld(), bytes + 4 * KnowledgeRecordArena::kBlockBytes);
}

TEST(KnowledgeRecordArena, AllocationsAreAlignedAndDisjoint) {
    KnowledgeRecordArena arena;
    std::vector<std::pair<std::uint8_t*, std::size_t>> taken;
    for (std::size_t i = 0; i < 5000; ++i) {
        const std::size_t alignment = std::size_t{1} << (i % 5);
        const std::size_t size = 1 + (i * 37) % 300;
        auto* at = static_cast<std::uint8_t*>(arena.allocate(size, alignment));
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(at) % alignment, 0u);
        std::fill(at, at + size, static_cast<std::uint8_t>(i));
        taken.emplace_back(at, size);
    }
    for (std::size_t i = 0; i < taken.size(); ++i) {
        const auto [at, size] = taken[i];
        for (std::size_t byte = 0; byte < size; ++byte)
            ASSERT_EQ(at[byte], static_cast<std::uint8_t>(i)) << i;
    }
}

// Records made in an arena and records that own their path share one chain; releasing
// the chain releases the arena with its last record.
TEST(KnowledgeRecordArena, MixedChainReleasesTheArenaWithItsLastRecord) {
    auto group = KnowledgeRecordGroup::GroupWithDomainIdentifier(
        DomainBundleIdentifier::create("com.example.Same"));
    auto arena = std::make_shared<KnowledgeRecordArena>();
    std::weak_ptr<KnowledgeRecordArena> watched = arena;
    std::shared_ptr<KnowledgeRecord> head;
    for (int i = 0; i < 1000; ++i) {
        std::shared_ptr<KnowledgeRecord> record =
            i % 3 == 0 ? std::make_shared<KnowledgeRecord>(group, "/own/" + std::to_string(i), 1)
                       : KnowledgeRecord::createInArena(arena, group, "/arena/" + std::to_string(i),
                                                        1, false);
        record->setNextRecord(std::move(head));
        head = std::move(record);
    }
    arena.reset();
    EXPECT_FALSE(watched.expired());
    int index = 999;
    for (auto link = head; link; link = link->nextRecord(), --index)
        ASSERT_EQ(link->path(), (index % 3 == 0 ? "/own/" : "/arena/") + std::to_string(index));
    EXPECT_EQ(index, -1);
    head.reset();
    EXPECT_TRUE(watched.expired());
}

} // namespace
