#include "search/SimpleRemainsInfo.h"

#include "platform/FileSystem.h"
#include "platform/MainQueue.h"
#include "search/DepFileItem.h"
#include "search/FileItem.h"
#include "search/KnowledgeBaseSimpleSearchInfo.h"
#include "search/RemainsTestSupport.h"
#include "search/SimpleSizeCalculation.h"
#include "support/Sandbox.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using platform::MainQueue;
using namespace testing_support;
using remains_test::makeAppBundle;
using remains_test::putFile;

namespace {

using Records = std::vector<std::shared_ptr<PathForRemove>>;

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

Records recordsOf(const SimpleRemainsInfo& info) {
    Records records;
    info.addRemoveObjectPathsToArray(records);
    return records;
}

std::vector<std::pair<std::string, std::int32_t>> pathsAndGroups(const Records& records) {
    std::vector<std::pair<std::string, std::int32_t>> result;
    for (const auto& record : records)
        result.emplace_back(record->path(), record->type());
    return result;
}

bool waitForSizes(const SimpleRemainsInfo& info) {
    return MainQueue::shared().runUntil([&] { return info.pendingSizeCount() == 0; },
                                        std::chrono::seconds(30));
}

std::string library(const std::string& sub) {
    return Sandbox::process().home() + "/Library/" + sub;
}

} // namespace

TEST(SimpleRemainsInfoTest, TakesTheThirteenStandardLocationsInOrderWithTheirGroups) {
    const std::string id = "com.example.thirteen";
    const std::string name = "Thirteen";
    const std::vector<std::pair<std::string, std::int32_t>> candidates{
        {library("Caches/" + id), 8},
        {library("Saved Application State/" + id + ".savedState"), 8},
        {library("Preferences/" + id + ".plist"), 10},
        {library("Preferences/" + name), 10},
        {library("Logs/" + name + ".log"), 11},
        {library("Cookies/" + id + ".cookies"), 12},
        {library("Containers/" + id), 9},
        {library("Application Support/Caches/com.apple.helpd/Generated/" + id + ".help"), 3},
        {library("Application Support/Caches/com.apple.helpd/SDMHelpData/Other/English/"
                 "HelpSDMIndexFile/" +
                 id + ".help"),
         3},
        {library("Application Support/Growl/Tickets/" + name + ".growlTicket"), 3},
        {library("Application Support/" + name), 3},
        {library("LaunchAgents/" + id + ".agent.plist"), 3},
        {library("Application Support/CrashReporter/" + name + "_0A1B.plist"), 13},
    };
    for (const auto& [path, group] : candidates)
        putFile(path, "leftover " + path);
    // Near misses: wrong suffix, wrong prefix, and the identifier used where only the
    // name counts.
    putFile(library("LaunchAgents/" + id + ".agent.txt"), "x");
    putFile(library("LaunchAgents/org." + id + ".plist"), "x");
    putFile(library("Logs/" + id + ".log"), "x");
    putFile(library("Application Support/CrashReporter/" + name + "_0A1B.crash"), "x");

    const std::string appPath = Sandbox::process().makeFolder("app") + "/Thirteen.app";
    makeAppBundle(appPath, id, name);
    auto info = SimpleRemainsInfo::create(platform::Bundle::create(appPath), {});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->appName(), name);
    EXPECT_EQ(info->mainPath(), appPath);

    auto expected = candidates;
    expected.insert(expected.begin(), {appPath, 0});
    EXPECT_EQ(pathsAndGroups(recordsOf(*info)), expected);
    for (const auto& record : recordsOf(*info))
        EXPECT_EQ(record->bundleId(), id);
    EXPECT_TRUE(waitForSizes(*info));
}

TEST(SimpleRemainsInfoTest, EachPathIsRecordedAndMeasuredOnce) {
    const std::string id = "com.example.twice";
    const std::string cache = library("Caches/" + id);
    putFile(cache + "/data.bin", std::string(10000, 'c'));
    const std::string extra = Sandbox::process().makeFolder("kb") + "/twice.db";
    putFile(extra, std::string(5000, 'd'));

    const std::string appPath = Sandbox::process().makeFolder("app") + "/Twice.app";
    makeAppBundle(appPath, id, "Twice");
    auto bundle = platform::Bundle::create(appPath);
    auto listener = std::make_shared<CountingListener>();
    auto info = SimpleRemainsInfo::create(bundle, listener);
    ASSERT_TRUE(info);

    // The same bundle again, a different application, and knowledge-base items that
    // repeat a standard path.
    info->addBundle(*bundle);
    const std::string otherPath = Sandbox::process().makeFolder("app") + "/Other.app";
    makeAppBundle(otherPath, "com.example.other", "Other");
    info->addBundle(*platform::Bundle::create(otherPath));
    auto kb = KnowledgeBaseSimpleSearchInfo::create(bundle);
    ASSERT_TRUE(kb);
    auto cacheTree = FileItem::createTreeForPath(cache, 0, nullptr);
    auto extraTree = FileItem::createTreeForPath(extra, 0, nullptr);
    ASSERT_TRUE(cacheTree && extraTree);
    kb->setRootItems({cacheTree, extraTree});
    kb->setRelatedDepItems({DepFileItem::create(cacheTree, 3), DepFileItem::create(extraTree, 3)});
    info->appendKnowledgeBaseInfo(*kb);

    EXPECT_EQ(pathsAndGroups(recordsOf(*info)), (std::vector<std::pair<std::string, std::int32_t>>{
                                                    {appPath, 0}, {cache, 8}, {extra, 3}}));
    ASSERT_TRUE(waitForSizes(*info));
    EXPECT_EQ(listener->calls, 3);

    std::uint64_t sum = 0;
    for (const auto& record : recordsOf(*info)) {
        EXPECT_TRUE(record->isSizeCalculated()) << record->path();
        EXPECT_EQ(record->getSize(), SimpleSizeCalculation::sizeOfItemAtPath(record->path()));
        sum += record->getSize();
    }
    struct stat status {};
    ASSERT_EQ(stat(extra.c_str(), &status), 0);
    EXPECT_GE(sum, static_cast<std::uint64_t>(status.st_blocks) * 512u);
    EXPECT_EQ(info->getTotalSize(), sum);
    EXPECT_EQ(listener->lastTotal, sum);
}

TEST(SimpleRemainsInfoTest, MissingIdentifierOffersNothingAndMissingNameFallsBackToTheFolder) {
    EXPECT_EQ(SimpleRemainsInfo::create(nullptr, {}), nullptr);

    const std::string appPath = Sandbox::process().makeFolder("app") + "/NoId.app";
    makeAppBundle(appPath, "", "NoId");
    putFile(library("Preferences/NoId"), "prefs");
    auto info = SimpleRemainsInfo::create(platform::Bundle::create(appPath), {});
    ASSERT_TRUE(info);
    EXPECT_TRUE(recordsOf(*info).empty());
    EXPECT_EQ(info->pendingSizeCount(), 0u);

    const std::string namelessPath = Sandbox::process().makeFolder("app") + "/Nameless.app";
    makeAppBundle(namelessPath, "com.example.nameless", "");
    putFile(library("Preferences/Nameless"), "prefs");
    info = SimpleRemainsInfo::create(platform::Bundle::create(namelessPath), {});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->appName(), "Nameless");
    EXPECT_EQ(pathsAndGroups(recordsOf(*info)),
              (std::vector<std::pair<std::string, std::int32_t>>{
                  {namelessPath, 0}, {library("Preferences/Nameless"), 10}}));
    EXPECT_TRUE(waitForSizes(*info));
}

TEST(SimpleRemainsInfoTest, SafePathStaysStrictlyInsideItsFolder) {
    const std::string folder = Sandbox::process().makeFolder("safe") + "/Library/Preferences";
    makeDirs(folder);
    const std::string appPath = Sandbox::process().makeFolder("app") + "/Safe.app";
    makeAppBundle(appPath, "com.example.safe", "Safe");
    auto info = SimpleRemainsInfo::create(platform::Bundle::create(appPath), {});
    ASSERT_TRUE(info);

    const struct {
        std::string name;
        std::optional<std::string> expected;
    } cases[] = {
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
    for (const auto& c : cases)
        EXPECT_EQ(info->createSafeToDeletePathInFolder(folder, c.name), c.expected) << c.name;
    EXPECT_EQ(info->createSafeToDeletePathInFolder("", "Foo"), std::nullopt);
}
