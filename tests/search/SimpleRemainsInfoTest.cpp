#include "search/SimpleRemainsInfo.h"

#include "platform/MainQueue.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "search/SimpleSizeCalculation.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

using platform::MainQueue;
using namespace testing_support;
using kb_test::library;
using kb_test::makeApp;
using remains_test::putFile;
using Taken = std::vector<std::pair<std::string, std::int32_t>>;

namespace {

class CountingListener : public SimpleRemainsInfoListener {
public:
    void onSimpleRemainsInfoChanged(const std::shared_ptr<SimpleRemainsInfo>& info) override {
        EXPECT_TRUE(MainQueue::shared().isCurrentThread());
        EXPECT_GE(info->getTotalSize(), lastTotal);
        lastTotal = info->getTotalSize();
        ++calls;
    }
    int calls{0};
    std::uint64_t lastTotal{0};
};

std::vector<std::shared_ptr<PathForRemove>> recordsOf(const SimpleRemainsInfo& info) {
    std::vector<std::shared_ptr<PathForRemove>> records;
    info.addRemoveObjectPathsToArray(records);
    return records;
}

Taken taken(const SimpleRemainsInfo& info) {
    Taken result;
    for (const auto& record : recordsOf(info))
        result.emplace_back(record->path(), record->type());
    return result;
}

bool waitForSizes(const SimpleRemainsInfo& info) {
    return MainQueue::shared().runUntil([&] { return info.pendingSizeCount() == 0; },
                                        std::chrono::seconds(30));
}

} // namespace

TEST(SimpleRemainsInfoTest, TakesTheThirteenStandardLocationsInOrderWithTheirGroups) {
    const std::string id = "com.example.thirteen";
    const std::string name = "Thirteen";
    const std::string helpd = "Application Support/Caches/com.apple.helpd/";
    const Taken candidates{
        {library("Caches/" + id), 8},
        {library("Saved Application State/" + id + ".savedState"), 8},
        {library("Preferences/" + id + ".plist"), 10},
        {library("Preferences/" + name), 10},
        {library("Logs/" + name + ".log"), 11},
        {library("Cookies/" + id + ".cookies"), 12},
        {library("Containers/" + id), 9},
        {library(helpd + "Generated/" + id + ".help"), 3},
        {library(helpd + "SDMHelpData/Other/English/HelpSDMIndexFile/" + id + ".help"), 3},
        {library("Application Support/Growl/Tickets/" + name + ".growlTicket"), 3},
        {library("Application Support/" + name), 3},
        {library("LaunchAgents/" + id + ".agent.plist"), 3},
        {library("Application Support/CrashReporter/" + name + "_0A1B.plist"), 13},
    };
    for (const auto& [path, group] : candidates)
        putFile(path, "leftover " + path);
    // Near misses: wrong suffix, wrong prefix, and the identifier where only the name counts.
    putFile(library("LaunchAgents/" + id + ".agent.txt"), "x");
    putFile(library("LaunchAgents/org." + id + ".plist"), "x");
    putFile(library("Logs/" + id + ".log"), "x");
    putFile(library("Application Support/CrashReporter/" + name + "_0A1B.crash"), "x");

    auto bundle = makeApp("Thirteen.app", id, name);
    auto info = SimpleRemainsInfo::create(bundle, {});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->appName(), name);
    auto expected = candidates;
    expected.insert(expected.begin(), {bundle->bundlePath(), 0});
    EXPECT_EQ(taken(*info), expected);
    EXPECT_TRUE(waitForSizes(*info));
}

// On a case-sensitive file system the standard places are found as the application's
// platform, case-insensitive, would find them; entries that differ only in case are
// all taken. The identifier's prefix ends at a dot.
TEST(SimpleRemainsInfoTest, StandardPlacesIgnoreCaseAndKeepIdentifierBoundaries) {
    const std::string id = "com.example.Chatter";
    putFile(library("Application Support/chatter/state.json"), "s");
    putFile(library("Application Support/CHATTER/old.json"), "s");
    putFile(library("Preferences/COM.EXAMPLE.CHATTER.PLIST"), "p");
    putFile(library("Caches/com.example.chatter/blob"), "c");
    putFile(library("LaunchAgents/com.example.chatter.Updater.PLIST"), "l");
    putFile(library("LaunchAgents/com.example.ChatterBox.plist"), "not ours");
    putFile(library("Application Support/chatterbox/x"), "not ours");

    auto bundle = makeApp("Chatter.app", id, "Chatter");
    auto info = SimpleRemainsInfo::create(bundle, {});
    ASSERT_TRUE(info);
    EXPECT_EQ(taken(*info),
              (Taken{{bundle->bundlePath(), 0},
                     {library("Caches/com.example.chatter"), 8},
                     {library("Preferences/COM.EXAMPLE.CHATTER.PLIST"), 10},
                     {library("Application Support/CHATTER"), 3},
                     {library("Application Support/chatter"), 3},
                     {library("LaunchAgents/com.example.chatter.Updater.PLIST"), 3}}));
    EXPECT_TRUE(waitForSizes(*info));

    // After the identifier "_" and a space are boundaries, "-" is not.
    putFile(library("LaunchAgents/com.example.chatter_login.plist"), "l");
    putFile(library("LaunchAgents/com.example.chatter 2.plist"), "l");
    putFile(library("LaunchAgents/com.example.chatter-helper.plist"), "not ours");
    auto again = SimpleRemainsInfo::create(bundle, {});
    const Taken agents = taken(*again);
    const auto has = [&](const std::string& name) {
        return std::find(agents.begin(), agents.end(),
                         std::pair<std::string, std::int32_t>{library("LaunchAgents/" + name),
                                                              3}) != agents.end();
    };
    EXPECT_TRUE(has("com.example.chatter_login.plist"));
    EXPECT_TRUE(has("com.example.chatter 2.plist"));
    EXPECT_FALSE(has("com.example.chatter-helper.plist"));
    EXPECT_TRUE(waitForSizes(*again));
}

TEST(SimpleRemainsInfoTest, EachPathIsRecordedAndMeasuredOnce) {
    const std::string id = "com.example.twice";
    const std::string cache = library("Caches/" + id);
    putFile(cache + "/data.bin", std::string(10000, 'c'));
    const std::string extra = Sandbox::process().makeFolder("kb") + "/twice.db";
    putFile(extra, std::string(5000, 'd'));
    auto bundle = makeApp("Twice.app", id, "Twice");
    auto listener = std::make_shared<CountingListener>();
    auto info = SimpleRemainsInfo::create(bundle, listener);
    ASSERT_TRUE(info);

    // The same bundle again, a different application, and knowledge-base items that
    // repeat a standard path.
    info->addBundle(*bundle);
    info->addBundle(*makeApp("Other.app", "com.example.other", "Other"));
    auto kb = KnowledgeBaseSimpleSearchInfo::create(bundle);
    ASSERT_TRUE(kb);
    auto cacheTree = FileItem::createTreeForPath(cache, 0, nullptr);
    auto extraTree = FileItem::createTreeForPath(extra, 0, nullptr);
    ASSERT_TRUE(cacheTree && extraTree);
    kb->setRelatedDepItems({DepFileItem::create(cacheTree, 3), DepFileItem::create(extraTree, 3)});
    info->appendKnowledgeBaseInfo(*kb);

    EXPECT_EQ(taken(*info), (Taken{{bundle->bundlePath(), 0}, {cache, 8}, {extra, 3}}));
    ASSERT_TRUE(waitForSizes(*info));
    EXPECT_EQ(listener->calls, 3);
    std::uint64_t sum = 0;
    for (const auto& record : recordsOf(*info)) {
        EXPECT_TRUE(record->isSizeCalculated()) << record->path();
        EXPECT_EQ(record->getSize(), SimpleSizeCalculation::sizeOfItemAtPath(record->path()));
        sum += record->getSize();
    }
    EXPECT_GE(sum, 15000u);
    EXPECT_EQ(info->getTotalSize(), sum);
    EXPECT_EQ(listener->lastTotal, sum);
}

TEST(SimpleRemainsInfoTest, MissingIdentifierOffersNothingAndMissingNameFallsBackToTheFolder) {
    EXPECT_EQ(SimpleRemainsInfo::create(nullptr, {}), nullptr);
    putFile(library("Preferences/NoId"), "prefs");
    auto info = SimpleRemainsInfo::create(makeApp("NoId.app", "", "NoId"), {});
    ASSERT_TRUE(info);
    EXPECT_TRUE(recordsOf(*info).empty());

    putFile(library("Preferences/Nameless"), "prefs");
    auto bundle = makeApp("Nameless.app", "com.example.nameless", "");
    info = SimpleRemainsInfo::create(bundle, {});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->appName(), "Nameless");
    EXPECT_EQ(taken(*info),
              (Taken{{bundle->bundlePath(), 0}, {library("Preferences/Nameless"), 10}}));
    EXPECT_TRUE(waitForSizes(*info));
}

TEST(SimpleRemainsInfoTest, SafePathStaysStrictlyInsideItsFolder) {
    const std::string folder = Sandbox::process().makeFolder("safe") + "/Library/Preferences";
    makeDirs(folder);
    auto info = SimpleRemainsInfo::create(makeApp("Safe.app", "com.example.safe", "Safe"), {});
    ASSERT_TRUE(info);
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Foo.plist", folder + "/Foo.plist"},
        {"a/../b/", folder + "/b"},
        {"line\nbreak", folder + "/line\nbreak"},
        {"~", folder + "/~"},
        {".", std::nullopt},
        {"a/../..", std::nullopt},
        {"../PreferencesX", std::nullopt},
        {"/", std::nullopt},
        {std::string("Foo\0/../../Evil", 15), std::nullopt},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(info->createSafeToDeletePathInFolder(folder, name), expected) << name;
    EXPECT_EQ(info->createSafeToDeletePathInFolder("", "Foo"), std::nullopt);
}
