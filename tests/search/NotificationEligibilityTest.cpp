#include "platform/Environment.h"
#include "platform/MainQueue.h"
#include "search/RemainsTestSupport.h"
#include "search/SimpleRemainsInfo.h"
#include "search/SpotlightEasySearch.h"
#include "support/Sandbox.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using platform::MainQueue;
using namespace testing_support;
using remains_test::makeAppBundle;

namespace {

constexpr auto kWatchdog = std::chrono::seconds(30);

// Runs the check to its end: until no search is running and the main queue has run
// everything the check posted. Answers how often the callback ran.
int runEligibility(const std::string& bundleId) {
    int calls = 0;
    SimpleRemainsInfo::calculateIsCanShowNotificationForBundleWithID(bundleId, [&] { ++calls; });
    EXPECT_TRUE(MainQueue::shared().runUntil(
        [] { return SpotlightEasySearch::runningSearchCount() == 0; }, kWatchdog));
    MainQueue::shared().drain();
    return calls;
}

std::string rootFolder(const std::string& path) {
    return platform::Environment::rootPath(path);
}

} // namespace

TEST(NotificationEligibilityTest, InstalledCopiesDecideWhetherToNotify) {
    const std::string home = Sandbox::process().home();
    const struct {
        const char* label;
        std::string copyPath; // empty: no other copy anywhere
        int expectedCalls;
    } cases[] = {
        {"no other copy", "", 1},
        {"copy in /Applications", rootFolder("/Applications/Elig1.app"), 0},
        {"copy in the user's Applications", home + "/Applications/Elig3.app", 0},
        // Deeper than the installed-application scan goes: only the index finds it.
        {"deep copy found by the index", rootFolder("/Applications/a/b/c/d/Elig4.app"), 0},
        {"copy on another volume only", rootFolder("/Volumes/Backup/Applications/Elig5.app"), 1},
        {"copy in the Trash only", home + "/.Trash/Elig6.app", 1},
        {"copy inside another bundle", rootFolder("/Applications/Host.app/Contents/Elig8.app"), 1},
    };
    int index = 0;
    for (const auto& c : cases) {
        const std::string id = "com.example.eligibility" + std::to_string(index++);
        if (!c.copyPath.empty())
            makeAppBundle(c.copyPath, id, "Elig");
        EXPECT_EQ(runEligibility(id), c.expectedCalls) << c.label;
        if (!c.copyPath.empty())
            removeTree(c.copyPath);
    }
}

// A quote ends the query's string early; the index refuses such a query, which counts as
// finding no copy. Without an identifier there is nothing to announce.
TEST(NotificationEligibilityTest, IdentifiersThatBreakTheQueryStillGetAnAnswer) {
    EXPECT_EQ(runEligibility("com.example.' OR kMDItemPath LIKE '*"), 1);
    EXPECT_EQ(runEligibility(""), 0);
}

TEST(SpotlightEasySearchTest, FindsBundlesWithTheIdentifierInTheGivenFolders) {
    const std::string base = Sandbox::process().makeFolder("index");
    makeAppBundle(base + "/one/Found.app", "com.example.indexed", "Found");
    makeAppBundle(base + "/two/deeper/Again.app", "com.example.indexed", "Again");
    makeAppBundle(base + "/two/Other.app", "com.example.notindexed", "Other");
    makeAppBundle(base + "/outside/Skipped.app", "com.example.indexed", "Skipped");

    auto search = SpotlightEasySearch::create();
    std::vector<std::string> paths;
    int calls = 0;
    search->setResultBlock(
        [&](const std::shared_ptr<SpotlightEasySearch>& sender, const MetadataQuery& query) {
            EXPECT_EQ(sender, search);
            EXPECT_TRUE(MainQueue::shared().isCurrentThread());
            ++calls;
            for (const auto& item : query.results())
                paths.push_back(item.path.value_or("<none>"));
        });
    search->startQuery("kMDItemCFBundleIdentifier == 'com.example.indexed' AND kMDItemPath "
                       "LIKE '?*'",
                       {base + "/one", base + "/two"});
    EXPECT_EQ(SpotlightEasySearch::runningSearchCount(), 1u);
    ASSERT_TRUE(MainQueue::shared().runUntil([&] { return calls > 0; }, kWatchdog));
    EXPECT_EQ(paths,
              (std::vector<std::string>{base + "/one/Found.app", base + "/two/deeper/Again.app"}));
    EXPECT_EQ(SpotlightEasySearch::runningSearchCount(), 0u);

    // A late stop finds the search over and the callback spent.
    search->stopQuery();
    EXPECT_EQ(calls, 1);
}

TEST(SpotlightEasySearchTest, QueriesItCannotRunEndAtOnceWithNoResults) {
    const std::vector<std::string> predicates{
        "",
        "kMDItemCFBundleIdentifier == 'com.example.x",
        "kMDItemDisplayName == 'Foo'",
        "kMDItemCFBundleIdentifier == 'a'b' AND kMDItemPath LIKE '?*'",
        std::string("kMDItemCFBundleIdentifier == 'a\0b'", 34),
    };
    for (const std::string& predicate : predicates) {
        auto search = SpotlightEasySearch::create();
        int calls = 0;
        std::size_t results = 99;
        search->setResultBlock([&](const auto&, const MetadataQuery& query) {
            ++calls;
            results = query.results().size();
        });
        search->startQuery(predicate, {Sandbox::process().root()});
        EXPECT_EQ(calls, 1) << predicate;
        EXPECT_EQ(results, 0u) << predicate;
        EXPECT_EQ(SpotlightEasySearch::runningSearchCount(), 0u) << predicate;
    }
}

TEST(SpotlightEasySearchTest, TimeLimitAndGatheringTogetherCallBackOnce) {
    // With no time to wait, the time limit races the scan; whichever ends the search
    // first, the callback runs exactly once and the search is let go.
    for (int round = 0; round < 20; ++round) {
        auto search = SpotlightEasySearch::create();
        search->setMaxWaitTime(0.0);
        int calls = 0;
        search->setResultBlock([&](const auto&, const MetadataQuery&) { ++calls; });
        search->startQuery("kMDItemCFBundleIdentifier == 'com.example.race'",
                           {rootFolder("/Applications")});
        ASSERT_TRUE(MainQueue::shared().runUntil(
            [] { return SpotlightEasySearch::runningSearchCount() == 0; }, kWatchdog));
        MainQueue::shared().drain();
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(search->query().isStopped());
    }
}
