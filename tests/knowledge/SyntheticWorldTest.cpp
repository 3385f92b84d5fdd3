// The benchmarks' generated world must load with the counts it promises, and its home
// folder must hold what the benchmarks search for.
#include "../../bench/SyntheticHome.h"
#include "knowledge/DataCompressor.h"
#include "knowledge/DomainBundleIdentifier.h"
#include "knowledge/KnowledgeBaseData.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace bench_support;

TEST(SyntheticWorld, DocumentAndHomeHoldWhatTheBenchmarksExpect) {
    constexpr WorldScale scale{120, 2500, 40, 4000};
    SyntheticWorld world(scale);
    const std::string document = world.knowledgeBase();
    SecureBuffer xml{std::string_view(document)};
    auto data = KnowledgeBaseData::createWithXMLData(xml);
    ASSERT_TRUE(data->isParsed());
    EXPECT_EQ(data->searchRules().size(), static_cast<std::size_t>(scale.rules));
    std::size_t records = 0;
    for (const auto& [name, head] : data->recordsByFileNames())
        for (auto record = head; record; record = record->nextRecord())
            ++records;
    EXPECT_EQ(records, static_cast<std::size_t>(scale.records));
    for (const WorldApp& app : world.apps())
        EXPECT_TRUE(data->groupByDomainIdentifier(DomainBundleIdentifier::create(app.bundleId)));

    std::string home = testing_support::Sandbox::process().makeFolder("world") + "/home";
    auto container = DataCompressor::compressData(
        {reinterpret_cast<const std::uint8_t*>(document.data()), document.size()});
    ASSERT_TRUE(container && SyntheticHome::build(world, home, container->bytes()));
    std::size_t entries = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(home);
         it != std::filesystem::recursive_directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(entries, static_cast<std::size_t>(scale.homeEntries));
    for (const std::string& path : world.targetLeftovers())
        EXPECT_TRUE(platform::FileSystem::fileExists(home + "/" + path)) << path;
    auto bundle = platform::Bundle::create(SyntheticHome::trashedTarget(world, home));
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundleIdentifier(), world.target().bundleId);
}
