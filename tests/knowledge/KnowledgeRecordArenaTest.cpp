#include "knowledge/KnowledgeRecordArena.h"

#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KnowledgeRecord.h"
#include "platform/ItemName.h"
#include "shell/PathsGenerator.h"

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
    // Small strings share blocks; only the large ones take blocks of their own. What is
    // left over is the rest of the block in use, and the ends of blocks too short for the
    // string that came next.
    std::size_t bytes = 0;
    for (const auto& text : expected)
        bytes += text.size();
    EXPECT_GE(arena.bytesHeld(), bytes);
    EXPECT_LT(arena.bytesHeld(), bytes + KnowledgeRecordArena::kLargeBlockBytes +
                                     4 * KnowledgeRecordArena::kBlockBytes);
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

// Records and their names lie end to end in the arena's blocks: nothing is added per
// record but the record itself and its last component, the folders being held once and
// the home folder not at all, and every record still reads what it was made with once
// the arena has grown to many blocks. A leading
// "~/" is the home folder, and a path of the home folder alone keeps its name.
TEST(KnowledgeRecordArena, RecordsLieBesideTheirPaths) {
    auto group = KnowledgeRecordGroup::GroupWithDomainIdentifier(
        DomainBundleIdentifier::create("com.example.Same"));
    KnowledgeRecordArena arena;
    const std::string home = PathsGenerator::GetInstance().getHomeDirectory();
    std::vector<KnowledgeRecord*> made;
    std::size_t storedBytes = 0;
    for (int i = 0; i < 5000; ++i) {
        const std::string path =
            (i % 2 == 0 ? "~/Library/Caches/" : "/Library/Shared/") + std::to_string(i);
        KnowledgeRecord* record = i % 5 == 0
                                      ? KnowledgeRecord::createSystemItem(arena, *group, path)
                                      : KnowledgeRecord::create(arena, *group, path, i % 18);
        record->setNextRecord(made.empty() ? nullptr : made.back());
        made.push_back(record);
        storedBytes += std::to_string(i).size();
    }
    // The two folders, each once with its length.
    storedBytes += 2 * (sizeof(std::uint32_t) + std::string_view("/Library/Caches/").size());
    for (int i = 0; i < 5000; ++i) {
        const KnowledgeRecord& record = *made[static_cast<std::size_t>(i)];
        const std::string full =
            (i % 2 == 0 ? home + "/Library/Caches/" : "/Library/Shared/") + std::to_string(i);
        ASSERT_EQ(record.path(), full);
        ASSERT_TRUE(record.hasPath(full));
        ASSERT_FALSE(record.hasPath(full + "0"));
        ASSERT_FALSE(record.hasPath(full.substr(0, full.size() - 1)));
        ASSERT_EQ(record.name(), std::to_string(i));
        ASSERT_EQ(record.isSystemItem(), i % 5 == 0);
        ASSERT_EQ(record.dependecyType(), i % 5 == 0 ? -1 : i % 18);
        ASSERT_EQ(&record.group(), group.get());
        ASSERT_FALSE(record.used());
        ASSERT_EQ(record.nextRecord(), i == 0 ? nullptr : made[static_cast<std::size_t>(i) - 1]);
        ASSERT_EQ(reinterpret_cast<std::uintptr_t>(&record) % alignof(KnowledgeRecord), 0u);
    }
    made[7]->setUsed(true);
    EXPECT_TRUE(made[7]->used());
    EXPECT_FALSE(made[8]->used());
    // Alignment may pad each record by less than its alignment, each block may end with an
    // unused tail shorter than a record and a path, and the block in use is not full.
    const std::size_t records = made.size() * (sizeof(KnowledgeRecord) + alignof(KnowledgeRecord));
    EXPECT_GE(arena.bytesHeld(), storedBytes + made.size() * sizeof(KnowledgeRecord));
    EXPECT_LT(arena.bytesHeld(), storedBytes + records + arena.bytesHeld() / 16 +
                                     KnowledgeRecordArena::kLargeBlockBytes);
    // A home-relative path compares against the whole path only, and "~/" alone is the
    // home folder, filed under its name.
    KnowledgeRecord* relative = KnowledgeRecord::create(arena, *group, "~/Library/x", 8);
    EXPECT_FALSE(relative->hasPath("/Library/x"));
    EXPECT_FALSE(relative->hasPath("~/Library/x"));
    EXPECT_TRUE(relative->hasPath(home + "/Library/x"));
    for (const char* homeItself : {"~/", "~//"}) {
        KnowledgeRecord* whole = KnowledgeRecord::createSystemItem(arena, *group, homeItself);
        EXPECT_EQ(whole->path(), home + std::string(homeItself).substr(1));
        EXPECT_EQ(whole->name(), platform::ItemName::lastComponent(home));
        EXPECT_TRUE(whole->hasPath(whole->path()));
    }
    // The root, a path without a folder, and trailing slashes read back as written.
    for (const std::string path : {"/", "plain", "/Library/Caches/Trailing//", "//"}) {
        KnowledgeRecord* odd = KnowledgeRecord::create(arena, *group, path, 8);
        EXPECT_EQ(odd->path(), path);
        EXPECT_EQ(odd->name(), platform::ItemName::lastComponent(path)) << path;
        EXPECT_TRUE(odd->hasPath(path));
        EXPECT_FALSE(odd->hasPath(path + "x"));
    }
}

} // namespace
