// The generated world of the knowledge-base benchmarks: its document must stay
// loadable with the counts it promises, and its home folder must hold what the
// benchmarks search for.
#include "../../bench/SyntheticHome.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/DataDecompressor.h"
#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KnowledgeBaseData.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "shell/PathsGenerator.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using namespace bench_support;
using testing_support::Sandbox;

namespace {

constexpr WorldScale kSmall{120, 2500, 40, 4000};

std::shared_ptr<KnowledgeBaseData> load(const SyntheticWorld& world) {
    SecureBuffer xml{std::string_view(world.knowledgeBase())};
    return KnowledgeBaseData::createWithXMLData(xml);
}

std::size_t recordCount(const KnowledgeBaseData& data) {
    std::size_t count = 0;
    for (const auto& [name, head] : data.recordsByFileNames()) {
        for (auto record = head; record; record = record->nextRecord())
            ++count;
    }
    return count;
}

std::set<std::string> listing(const std::string& folder) {
    std::set<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        entries.insert(entry.path().string().substr(folder.size()));
    return entries;
}

std::string build(const SyntheticWorld& world, const std::string& hint) {
    std::string home = Sandbox::process().makeFolder(hint) + "/home";
    std::string xml = world.knowledgeBase();
    auto container = DataCompressor::compressData(
        {reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()});
    EXPECT_TRUE(container);
    EXPECT_TRUE(container && SyntheticHome::build(world, home, container->bytes()));
    return home;
}

} // namespace

TEST(SyntheticWorld, DocumentLoadsWithTheRequestedCounts) {
    const WorldScale scale = kSmall;
    SyntheticWorld world(scale);
    auto data = load(world);
    ASSERT_TRUE(data->isParsed());
    EXPECT_EQ(data->searchRules().size(), static_cast<std::size_t>(scale.rules));
    EXPECT_EQ(recordCount(*data), static_cast<std::size_t>(scale.records));
    EXPECT_EQ(world.apps().size(), static_cast<std::size_t>(scale.domains));
    for (const WorldApp& app : world.apps())
        EXPECT_TRUE(data->groupByDomainIdentifier(DomainBundleIdentifier::create(app.bundleId)))
            << app.bundleId;
    auto helper =
        data->groupByDomainIdentifier(DomainBundleIdentifier::create(world.apps()[1].bundleId));
    ASSERT_TRUE(helper && helper->parentDomainIdentifier());
    EXPECT_EQ(helper->parentDomainIdentifier()->uniqueIdentifier(),
              DomainBundleIdentifier::create(world.target().bundleId)->uniqueIdentifier());
    EXPECT_TRUE(data->mutableSystemSkipList().contains(
        PathsGenerator::GetInstance().getHomeDirectory() + "/Library/Caches/CloudKit"));
}

TEST(SyntheticWorld, HomeHoldsExactlyTheEntriesAndTheTargetsLeftovers) {
    SyntheticWorld world(kSmall);
    std::string home = build(world, "world");
    EXPECT_EQ(listing(home).size(), static_cast<std::size_t>(kSmall.homeEntries));
    for (const std::string& path : world.targetLeftovers())
        EXPECT_TRUE(platform::FileSystem::fileExists(home + "/" + path)) << path;

    auto bundle = platform::Bundle::create(SyntheticHome::trashedTarget(world, home));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundleIdentifier(), world.target().bundleId);

    auto container = platform::FileSystem::readFile(
        home + "/" + std::string(SyntheticHome::kMainAppFolder) + "/auth.cer", 64 << 20);
    ASSERT_TRUE(container);
    auto xml = DataDecompressor::decompressData(
        {reinterpret_cast<const std::uint8_t*>(container->data()), container->size()});
    ASSERT_TRUE(xml);
    EXPECT_EQ(xml->view(), world.knowledgeBase());
}

TEST(SyntheticWorld, SameSeedGivesTheSameWorld) {
    SyntheticWorld first(kSmall, 7), again(kSmall, 7), other(kSmall, 8);
    EXPECT_EQ(first.knowledgeBase(), again.knowledgeBase());
    EXPECT_NE(first.knowledgeBase(), other.knowledgeBase());
    EXPECT_EQ(listing(build(first, "first")), listing(build(again, "again")));
}
