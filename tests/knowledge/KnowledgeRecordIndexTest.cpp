#include "knowledge/KnowledgeRecordIndex.h"

#include "knowledge/DomainBundleIdentifier.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::shared_ptr<KnowledgeRecordGroup> group() {
    static auto made =
        KnowledgeRecordGroup::GroupWithDomainIdentifier(DomainBundleIdentifier::create("com.a"));
    return made;
}

// The records of every test here; they live as long as the program.
KnowledgeRecord& record(const std::string& path) {
    static KnowledgeRecordArena arena;
    return *KnowledgeRecord::create(arena, *group(), path, 8);
}

// Paths with few distinct names among many, so that names repeat, chains grow long and
// the table grows several times while names keep arriving.
std::vector<std::string> paths(std::size_t count) {
    std::mt19937 random(7);
    std::vector<std::string> made;
    for (std::size_t i = 0; i < count; ++i)
        made.push_back("/L/" + std::to_string(i) + "/name" + std::to_string(random() % 1500));
    made.push_back("/L/last/");
    return made;
}

// Every name with its chain's paths, newest first, as the index holds them.
std::map<std::string, std::vector<std::string>> chains(const KnowledgeRecordIndex& index) {
    std::map<std::string, std::vector<std::string>> seen;
    for (const auto& [name, head] : index) {
        EXPECT_EQ(seen.count(std::string(name)), 0u) << name;
        auto& chain = seen[std::string(name)];
        for (auto link = head; link; link = link->nextRecord())
            chain.emplace_back(link->path());
    }
    return seen;
}

// The last component of a record's path, as a view into it ("/a/b/" gives "b").
std::string_view nameIn(std::string_view path) {
    std::string_view view = path;
    while (view.size() > 1 && view.back() == '/')
        view.remove_suffix(1);
    return view.substr(view.rfind('/') + 1);
}

// Files the record as the newest under its name, one at a time.
void fileOne(KnowledgeRecordIndex& index, const std::string& path) {
    index.file(record(path));
}

// Two names whose hashes the slots cannot tell apart: found among enough names that the
// 32 bits kept collide for some pair (about eight expected among 2^18).
std::pair<std::string, std::string> collidingNames() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> hashes;
    for (std::uint32_t i = 0; i < (1u << 18); ++i)
        hashes.emplace_back(KnowledgeRecordIndex::hashOf("n" + std::to_string(i)), i);
    std::sort(hashes.begin(), hashes.end());
    for (std::size_t i = 1; i < hashes.size(); ++i) {
        if (hashes[i].first == hashes[i - 1].first)
            return {"n" + std::to_string(hashes[i - 1].second),
                    "n" + std::to_string(hashes[i].second)};
    }
    return {};
}

} // namespace

// Filing, and finding what was filed and nothing else, in an empty and in a full index.
TEST(KnowledgeRecordIndex, FilingOneByOneAndInBatchesGivesTheSameChains) {
    const std::vector<std::string> all = paths(6000);
    std::map<std::string, std::vector<std::string>> expected;
    for (const std::string& path : all) {
        const std::string name(nameIn(path));
        expected[name].insert(expected[name].begin(), path);
    }

    KnowledgeRecordIndex oneByOne;
    for (const std::string& path : all)
        fileOne(oneByOne, path);
    EXPECT_EQ(chains(oneByOne), expected);

    KnowledgeRecordIndex batchOnly;
    KnowledgeRecordIndex::Batch whole;
    for (const std::string& path : all)
        whole.add(record(path));
    batchOnly.fileAll(whole);
    EXPECT_EQ(chains(batchOnly), expected);

    // Half filed one by one, the rest in two batches: the batches file after what is there.
    KnowledgeRecordIndex mixed;
    EXPECT_TRUE(mixed.empty());
    EXPECT_EQ(mixed.find("a"), mixed.end());
    EXPECT_EQ(mixed.head("a"), nullptr);
    EXPECT_EQ(mixed.begin(), mixed.end());
    KnowledgeRecordIndex::Batch batch;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (i < all.size() / 2) {
            fileOne(mixed, all[i]);
            continue;
        }
        batch.add(record(all[i]));
        if (i == all.size() * 3 / 4) {
            mixed.fileAll(batch);
            EXPECT_TRUE(batch.empty());
        }
    }
    mixed.fileAll(batch);
    EXPECT_EQ(chains(mixed), expected);
    EXPECT_EQ(mixed.size(), expected.size());
    EXPECT_EQ(mixed.head("name7")->path(), expected["name7"].front());
    EXPECT_EQ(mixed.head("last")->path(), "/L/last/");
    for (const char* unknown : {"", "name", "name1500", "Name7", "name7 ", "last/"}) {
        EXPECT_EQ(mixed.count(unknown), 0u) << unknown;
        EXPECT_EQ(mixed.head(unknown), nullptr) << unknown;
    }
    EXPECT_EQ(mixed.count("name1499"), 1u);
    ASSERT_NE(mixed.find("name0"), mixed.end());
    EXPECT_EQ(mixed.find("name0")->first, "name0");
    EXPECT_EQ(mixed.find("name0")->second, mixed.head("name0"));
}

// Names the kept hash cannot tell apart are still told apart by name, also after the
// table grows around them in the middle of a batch (of more names than half its records).
TEST(KnowledgeRecordIndex, NamesWithTheSameHashStayApart) {
    const auto [first, second] = collidingNames();
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(KnowledgeRecordIndex::hashOf(first), KnowledgeRecordIndex::hashOf(second));

    KnowledgeRecordIndex index;
    fileOne(index, "/A/" + first);
    EXPECT_EQ(index.head(second), nullptr);
    EXPECT_EQ(index.count(second), 0u);
    KnowledgeRecordIndex::Batch batch;
    batch.add(record("/B/" + second));
    batch.add(record("/C/" + first));
    for (int i = 0; i < 200; ++i)
        batch.add(record("/D/other" + std::to_string(i)));
    index.fileAll(batch);
    fileOne(index, "/E/" + second);
    std::map<std::string, std::vector<std::string>> all = chains(index);
    EXPECT_EQ(all.size(), 202u);
    EXPECT_EQ(all[first], (std::vector<std::string>{"/C/" + first, "/A/" + first}));
    EXPECT_EQ(all[second], (std::vector<std::string>{"/E/" + second, "/B/" + second}));
    EXPECT_EQ(index.find(first)->first, first);
    EXPECT_EQ(index.find(second)->first, second);
}

// A batch holds its records through their own links: let go of unfiled, it leaves none
// of them linked and the index as it was; moved, the new batch files them all.
TEST(KnowledgeRecordIndex, BatchesLetGoOfUnfiledRecords) {
    KnowledgeRecordIndex index;
    KnowledgeRecordIndex::Batch empty;
    index.fileAll(empty);
    EXPECT_TRUE(index.empty());
    EXPECT_EQ(index.head("x"), nullptr);

    fileOne(index, "/F/x");
    std::vector<KnowledgeRecord*> unfiled;
    {
        KnowledgeRecordIndex::Batch dropped;
        for (const char* path : {"/G/x", "/G/y", "/G/x/", "/G/z"}) {
            unfiled.push_back(&record(path));
            dropped.add(*unfiled.back());
        }
        EXPECT_EQ(dropped.size(), 4u);
    }
    for (KnowledgeRecord* left : unfiled)
        EXPECT_EQ(left->nextRecord(), nullptr) << left->path();
    EXPECT_EQ(chains(index), (std::map<std::string, std::vector<std::string>>{{"x", {"/F/x"}}}));

    KnowledgeRecordIndex::Batch first;
    for (KnowledgeRecord* again : unfiled)
        first.add(*again);
    KnowledgeRecordIndex::Batch replaced;
    KnowledgeRecord& overwritten = record("/H/w");
    replaced.add(overwritten);
    replaced.add(record("/H/v"));
    replaced = std::move(first);
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(overwritten.nextRecord(), nullptr);
    EXPECT_EQ(replaced.size(), 4u);
    KnowledgeRecordIndex::Batch taken(std::move(replaced));
    EXPECT_TRUE(replaced.empty());
    index.fileAll(taken);
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(chains(index),
              (std::map<std::string, std::vector<std::string>>{
                  {"x", {"/G/x/", "/G/x", "/F/x"}}, {"y", {"/G/y"}}, {"z", {"/G/z"}}}));
}
