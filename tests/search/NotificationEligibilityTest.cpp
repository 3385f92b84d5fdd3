#include "platform/Environment.h"
#include "platform/MainQueue.h"
#include "search/KnowledgeBaseTestSupport.h"
#include "search/SimpleRemainsInfo.h"
#include "search/SpotlightEasySearch.h"

#include <chrono>
#include <gtest/gtest.h>

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

} // namespace

TEST(NotificationEligibilityTest, InstalledCopiesDecideWhetherToNotify) {
    const std::string home = Sandbox::process().home();
    // Where another copy of the application lies (empty: nowhere), and how often to notify.
    const std::pair<std::string, int> cases[] = {
        {"", 1},
        {platform::Environment::rootPath("/Applications/Elig1.app"), 0},
        {home + "/Applications/Elig3.app", 0},
        // Deeper than the installed-application scan goes: only the index finds it.
        {platform::Environment::rootPath("/Applications/a/b/c/d/Elig4.app"), 0},
        {platform::Environment::rootPath("/Volumes/Backup/Applications/Elig5.app"), 1},
        {Sandbox::process().trash() + "/Elig6.app", 1},
        {platform::Environment::rootPath("/Applications/Host.app/Contents/Elig8.app"), 1},
    };
    int index = 0;
    for (const auto& [copyPath, calls] : cases) {
        const std::string id = "com.example.eligibility" + std::to_string(index++);
        if (!copyPath.empty())
            makeAppBundle(copyPath, id, "Elig");
        EXPECT_EQ(runEligibility(id), calls) << copyPath;
        if (!copyPath.empty())
            removeTree(copyPath);
    }
}

// A quote ends the query's string early; the index refuses such a query, which counts as
// finding no copy. Without an identifier there is nothing to announce.
TEST(NotificationEligibilityTest, IdentifiersThatBreakTheQueryStillGetAnAnswer) {
    EXPECT_EQ(runEligibility("com.example.' OR kMDItemPath LIKE '*"), 1);
    EXPECT_EQ(runEligibility(""), 0);
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
                           {platform::Environment::rootPath("/Applications")});
        ASSERT_TRUE(MainQueue::shared().runUntil(
            [] { return SpotlightEasySearch::runningSearchCount() == 0; }, kWatchdog));
        MainQueue::shared().drain();
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(search->query().isStopped());
    }
}
